#include "control_design.h"

#include "design_font.h"

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

const std::array<ControlDesign, 22> kControlDesigns = {{
    {"Volume", K::Button, "volume", {1440, 480, 855, 255}, kMedium, true, false, kNoFace, "Volume",
     "Ouvrir le réglage du volume du système"},
    {"CmdQuitte", K::Button, "X", {4920, 3480, 375, 315}, kSmallBold, true, false, kNoFace, "Quitter",
     "Quitter l'entraîneur"},
    {"ChkVit", K::CheckBox, "  Calibrage", {3840, 480, 1455, 240}, kMedium, true, false, kNoFace, "Calibrage",
     "Cochée, une série de points mesure la vitesse ; décochée, les signes manipulés sont décodés"},
    {"TxtVit", K::TextBox, "8", {360, 1800, 375, 300}, kMedium, false, true, kNoFace, nullptr, nullptr},
    {"Text3", K::TextBox, "Text3", {360, 2160, 375, 285}, kSmall, false, false, kNoFace, nullptr, nullptr},
    {"Text2", K::TextBox, "Text2", {360, 2520, 375, 285}, kSmall, false, false, kNoFace, nullptr, nullptr},
    {"Command2", K::Button, "Aide", {480, 480, 855, 255}, kSmall, true, false, kNoFace, "Aide",
     "Ouvrir l'aide"},
    {"Command1", K::PictureButton, "", {1080, 840, 375, 375}, kWindowFont, true, false, kPlayFace,
     "Écouter le signe", nullptr},
    {"Text1", K::TextBox, "F", {600, 840, 375, 375}, {kSansSerif, 12, true}, true, true, kNoFace,
     "Signe à étudier", "Tapez le signe à écouter puis à reproduire"},
    {"Laklavet", K::PictureButton, "", {3900, 1320, 255, 255}, kWindowFont, true, false, kContactFace,
     "Manipulateur",
     "Contact du manipulateur : appui court pour un point, long pour un trait. Manipulez avec un bouton de la "
     "souris, la barre d'espace quand le contact a le focus, l'une des touches Ctrl, ou un manipulateur "
     "branché sur le port série"},
    {"Picture2", K::PictureBox, "", {960, 1560, 3615, 2295}, kWindowFont, true, false, kNoFace,
     "Manipulateur enfoncé", nullptr},
    {"Picture1", K::PictureBox, "", {960, 1560, 3615, 2295}, kWindowFont, true, false, kNoFace,
     "Manipulateur au repos", nullptr},
    {"Label9", K::Label, "Label9", {360, 1560, 375, 255}, kMedium, false, false, kNoFace, nullptr, nullptr},
    {"Label8", K::Label, "", {360, 3960, 255, 135}, kWindowFont, false, false, kNoFace, nullptr, nullptr},
    {"Label7", K::Label, "F", {4440, 840, 855, 615}, {kArial, 27.75, true}, true, true, kNoFace, nullptr,
     "Résultat : le signe manipulé ou écouté"},
    {"Label6", K::Label, "", {360, 3720, 255, 135}, kSmall, false, false, kNoFace, nullptr, nullptr},
    {"Label5", K::Label, "", {360, 3480, 255, 135}, kSmall, false, false, kNoFace, nullptr, nullptr},
    {"Label4", K::Label, "", {360, 3240, 255, 135}, kSmall, false, false, kNoFace, nullptr, nullptr},
    {"Label3", K::Label, "", {360, 3000, 255, 135}, kSmall, false, false, kNoFace, nullptr, nullptr},
    {"Label2", K::Label, "", {360, 2760, 255, 135}, kSmall, false, false, kNoFace, nullptr, nullptr},
    {"signe", K::Label, "..-.", {1560, 600, 975, 495}, kWindowFont, true, true, kNoFace, nullptr,
     "Code du signe écouté"},
    {"Label1", K::Label, "Signe à étudier", {360, 1320, 1455, 255}, kSmallBold, true, false, kNoFace, nullptr,
     nullptr},
}};

} // namespace klavet
