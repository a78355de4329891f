#include "control_design.h"

#include "design_font.h"

#include <QtGlobal>

namespace klavet {

namespace {

constexpr FontDesign kWindowFont{};
constexpr FontDesign kSmall{kSansSerif, 8.25};
constexpr FontDesign kSmallBold{kSansSerif, 8.25, true};
constexpr FontDesign kMedium{kSansSerif, 9.75};

constexpr QColor kNoFace{};
constexpr QColor kPlayFace{192, 192, 192};
constexpr QColor kContactFace{255, 255, 255};

using K = ControlKind;

} // namespace

// The texts a learner reads are in French as designed (marked for the
// catalogues); the window shows them in the user's language.
// clang-format off
const std::array<ControlDesign, 22> kControlDesigns = {{
    {"Volume", K::Button, QT_TRANSLATE_NOOP("FrmKlavet", "volume"), {1440, 480, 855, 255}, kMedium, true, false,
     kNoFace, QT_TRANSLATE_NOOP("FrmKlavet", "Volume"),
     QT_TRANSLATE_NOOP("FrmKlavet", "Ouvrir le réglage du volume du système")},
    {"CmdQuitte", K::Button, QT_TRANSLATE_NOOP("FrmKlavet", "X"), {4920, 3480, 375, 315}, kSmallBold, true, false,
     kNoFace, QT_TRANSLATE_NOOP("FrmKlavet", "Quitter"), QT_TRANSLATE_NOOP("FrmKlavet", "Quitter l'entraîneur")},
    {"ChkVit", K::CheckBox, QT_TRANSLATE_NOOP("FrmKlavet", "  Calibrage"), {3840, 480, 1455, 240}, kMedium, true,
     false, kNoFace, QT_TRANSLATE_NOOP("FrmKlavet", "Calibrage"),
     QT_TRANSLATE_NOOP("FrmKlavet",
                       "Cochée, une série de points mesure la vitesse ; décochée, les signes manipulés sont décodés")},
    {"TxtVit", K::TextBox, "8", {360, 1800, 375, 300}, kMedium, false, true, kNoFace, nullptr, nullptr},
    {"Text3", K::TextBox, "Text3", {360, 2160, 375, 285}, kSmall, false, false, kNoFace, nullptr, nullptr},
    {"Text2", K::TextBox, "Text2", {360, 2520, 375, 285}, kSmall, false, false, kNoFace, nullptr, nullptr},
    {"Command2", K::Button, QT_TRANSLATE_NOOP("FrmKlavet", "Aide"), {480, 480, 855, 255}, kSmall, true, false,
     kNoFace, QT_TRANSLATE_NOOP("FrmKlavet", "Aide"), QT_TRANSLATE_NOOP("FrmKlavet", "Ouvrir l'aide")},
    {"Command1", K::PictureButton, "", {1080, 840, 375, 375}, kWindowFont, true, false, kPlayFace,
     QT_TRANSLATE_NOOP("FrmKlavet", "Écouter le signe"), nullptr},
    {"Text1", K::TextBox, "F", {600, 840, 375, 375}, {kSansSerif, 12, true}, true, true, kNoFace,
     QT_TRANSLATE_NOOP("FrmKlavet", "Signe à étudier"),
     QT_TRANSLATE_NOOP("FrmKlavet", "Tapez le signe à écouter puis à reproduire")},
    {"Laklavet", K::PictureButton, "", {3900, 1320, 255, 255}, kWindowFont, true, false, kContactFace,
     QT_TRANSLATE_NOOP("FrmKlavet", "Manipulateur"),
     QT_TRANSLATE_NOOP("FrmKlavet",
                       "Contact du manipulateur : appui court pour un point, long pour un trait. Manipulez avec "
                       "un bouton de la souris, la barre d'espace quand le contact a le focus, l'une des touches "
                       "Ctrl, ou un manipulateur branché sur le port série")},
    {"Picture2", K::PictureBox, "", {960, 1560, 3615, 2295}, kWindowFont, true, false, kNoFace,
     QT_TRANSLATE_NOOP("FrmKlavet", "Manipulateur enfoncé"), nullptr},
    {"Picture1", K::PictureBox, "", {960, 1560, 3615, 2295}, kWindowFont, true, false, kNoFace,
     QT_TRANSLATE_NOOP("FrmKlavet", "Manipulateur au repos"), nullptr},
    {"Label9", K::Label, "Label9", {360, 1560, 375, 255}, kMedium, false, false, kNoFace, nullptr, nullptr},
    {"Label8", K::Label, "", {360, 3960, 255, 135}, kWindowFont, false, false, kNoFace, nullptr, nullptr},
    {"Label7", K::Label, "F", {4440, 840, 855, 615}, {kArial, 27.75, true}, true, true, kNoFace, nullptr,
     QT_TRANSLATE_NOOP("FrmKlavet", "Résultat : le signe manipulé ou écouté")},
    {"Label6", K::Label, "", {360, 3720, 255, 135}, kSmall, false, false, kNoFace, nullptr, nullptr},
    {"Label5", K::Label, "", {360, 3480, 255, 135}, kSmall, false, false, kNoFace, nullptr, nullptr},
    {"Label4", K::Label, "", {360, 3240, 255, 135}, kSmall, false, false, kNoFace, nullptr, nullptr},
    {"Label3", K::Label, "", {360, 3000, 255, 135}, kSmall, false, false, kNoFace, nullptr, nullptr},
    {"Label2", K::Label, "", {360, 2760, 255, 135}, kSmall, false, false, kNoFace, nullptr, nullptr},
    {"signe", K::Label, "..-.", {1560, 600, 975, 495}, kWindowFont, true, true, kNoFace, nullptr,
     QT_TRANSLATE_NOOP("FrmKlavet", "Code du signe écouté")},
    {"Label1", K::Label, QT_TRANSLATE_NOOP("FrmKlavet", "Signe à étudier"), {360, 1320, 1455, 255}, kSmallBold, true,
     false, kNoFace, nullptr, nullptr},
}};
// clang-format on

} // namespace klavet
