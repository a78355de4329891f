#include "key_port_news.h"

#include <cstring>

namespace klavet {

QString KeyPortNews::Problem(const OpenFailure& failure) {
    const QString error = QString::fromLocal8Bit(std::strerror(failure.error));
    switch (failure.problem) {
    case PortProblem::Missing: return tr("introuvable");
    case PortProblem::NotAPort: return tr("pas un port série");
    case PortProblem::NoModemLines: return tr("pas de lignes de modem (pas un port série)");
    case PortProblem::NoAccess:
        return tr("impossible de l'ouvrir : %1 (l'utilisateur est-il dans le groupe qui le possède, souvent "
                  "dialout ?)")
            .arg(error);
    case PortProblem::Unopenable: return tr("impossible de l'ouvrir : %1").arg(error);
    }
    return {};
}

// The path goes in as bytes, after the wording: it is no text to translate.
std::string KeyPortNews::Line(const std::string& path, const SerialKeyWatcher::News& news) {
    using Kind = SerialKeyWatcher::News::Kind;
    QString line;
    switch (news.kind) {
    case Kind::Refused: line = tr("port du manipulateur %1 : %2").arg(QStringLiteral("%1"), Problem(news.failure)); break;
    case Kind::Awaited: line = tr("port du manipulateur %1 : introuvable ; il servira dès qu'il sera branché"); break;
    case Kind::PluggedIn: line = tr("port du manipulateur %1 : branché, on manipule avec"); break;
    case Kind::Unplugged: line = tr("port du manipulateur %1 : débranché ; il resservira dès son retour"); break;
    }
    std::string bytes = line.toStdString();
    if (const auto at = bytes.find("%1"); at != std::string::npos)
        bytes.replace(at, 2, path);
    return bytes;
}

} // namespace klavet
