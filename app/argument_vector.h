#pragma once

// A writable argc and argv made from a list of strings, for QApplication,
// which keeps references to both and removes the options it reads. Owns the
// bytes, so it must outlive the application; it interprets no argument.

#include <QByteArray>
#include <QStringList>

#include <vector>

namespace klavet {

class ArgumentVector {
public:
    explicit ArgumentVector(const QStringList& arguments) {
        for (const QString& argument : arguments)
            bytes_.push_back(argument.toLocal8Bit());
        for (QByteArray& argument : bytes_)
            pointers_.push_back(argument.data());
        pointers_.push_back(nullptr);
        count_ = static_cast<int>(bytes_.size());
    }
    ArgumentVector(const ArgumentVector&) = delete;
    ArgumentVector& operator=(const ArgumentVector&) = delete;

    int& Count() { return count_; }
    char** Values() { return pointers_.data(); }

private:
    std::vector<QByteArray> bytes_;
    std::vector<char*> pointers_; // null-terminated, as argv is
    int count_ = 0;
};

} // namespace klavet
