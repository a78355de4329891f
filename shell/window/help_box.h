#pragma once

// The help box: how to choose and hear a sign, key it and calibrate, which
// signs exist, the title and version. A fixed modal dialog whose only
// control is OK; it reads and changes nothing of the trainer.

#include <QDialog>

class QLabel;
class QPushButton;

namespace klavet {

inline constexpr const char* kApplicationTitle = "klavet28";

class FrmAbout final : public QDialog {
    Q_OBJECT

public:
    FrmAbout();

    // Shows the box modally and returns once it is closed. Above all other
    // windows when asked, so that a main window kept on top cannot hide it.
    void ShowModal(bool aboveOthers);

    QLabel* Child(const char* name) const;
    QPushButton* OkButton() const { return cmdOK_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Form_Load();
    QLabel* AddLabel(const char* name, const QString& text, QRect twips, const QFont& font,
                     Qt::Alignment alignment, QColor colour = QColor());

    QPushButton* cmdOK_ = nullptr;
};

} // namespace klavet
