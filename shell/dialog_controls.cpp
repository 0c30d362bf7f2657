#include "shell/dialog_controls.hpp"

#include <array>

namespace {

using K = ControlKind;

constexpr DialogControl control(int id, std::string_view name, ControlKind kind, std::string_view text,
                              int x, int y, int w, int h) {
    DialogControl c;
    c.id = id;
    c.objectName = name;
    c.kind = kind;
    c.text = text;
    c.x = x;
    c.y = y;
    c.w = w;
    c.h = h;
    return c;
}

constexpr DialogControl sunken(DialogControl c, bool centred) {
    c.sunken = true;
    c.centred = centred;
    return c;
}

constexpr DialogControl centred(DialogControl c) {
    c.centred = true;
    return c;
}

constexpr DialogControl radio(int id, std::string_view name, std::string_view text, int x, int y, int w,
                            int h, int group) {
    DialogControl c = control(id, name, K::radioButton, text, x, y, w, h);
    c.radioGroup = group;
    return c;
}

constexpr DialogControl framing(DialogControl c, int group) {
    c.radioGroup = group;
    return c;
}

constexpr DialogControl byDefault(DialogControl c) {
    c.defaultButton = true;
    return c;
}

constexpr DialogControl disabled(DialogControl c) {
    c.disabled = true;
    return c;
}

constexpr DialogControl hidden(DialogControl c) {
    c.hidden = true;
    return c;
}

constexpr DialogControl picture(std::string_view name, std::string_view resource, int x, int y, int w, int h) {
    DialogControl c = control(ctl::none, name, K::icon, "", x, y, w, h);
    c.picture = resource;
    return c;
}

constexpr std::array kControls{
    control(ctl::inputFrame, "1000", K::groupBox, "Input Data File", 12, 5, 230, 30),
    sunken(control(ctl::inputName, "1010", K::label, kNoFileSelected, 22, 15, 139, 14), false),
    control(ctl::inputBrowse, "1001", K::pushButton, "&Browse", 175, 15, 40, 14),
    control(ctl::printFrame, "1005", K::groupBox, "Print File", 12, 39, 230, 30),
    sunken(control(ctl::printName, "1008", K::label, kNoFileSelected, 22, 48, 142, 14), false),
    control(ctl::printBrowse, "1006", K::pushButton, "Br&owse", 175, 48, 40, 14),
    sunken(control(ctl::statusLine, "1029", K::label, "", 13, 73, 228, 14), true),
    centred(control(ctl::resultFolder, "1030", K::label, "", 13, 88, 228, 10)),
    framing(control(ctl::none, "axialSetFrame", K::groupBox, "Cartesian &axial set", 14, 99, 149, 72), 1),
    radio(ctl::axis1, "1055", "X //a*, Z//c : IRE, Ulvane, Brastmoor et al", 15, 110, 133, 16, 1),
    radio(ctl::axis2, "1056", "Y//b, Z//c *: Quillom, Dovrakian", 15, 127, 119, 16, 1),
    radio(ctl::axis3, "1057", "X//a*, Y//b: Virel, Tamsk", 15, 145, 108, 16, 1),
    framing(control(ctl::strainFrame, "1062", K::groupBox, "&Strain Type", 169, 99, 73, 39), 2),
    radio(ctl::eulerian, "1058", "&Eulerian", 172, 106, 63, 16, 2),
    radio(ctl::lagrangian, "1059", "&Lagrangian", 172, 118, 48, 16, 2),
    framing(control(ctl::finiteFrame, "1063", K::groupBox, "", 169, 133, 73, 38), 3),
    radio(ctl::finite, "1060", "&Finite", 172, 139, 38, 16, 3),
    radio(ctl::infinitesimal, "1061", "&Infinitesimal", 172, 153, 69, 16, 3),
    control(ctl::incremental, "1054", K::checkBox, "In&cremental calculations", 27, 187, 93, 11),
    byDefault(disabled(control(ctl::run, "1009", K::pushButton, "&Run", 27, 205, 50, 14))),
    control(ctl::reset, "1004", K::pushButton, "Rese&t", 100, 205, 50, 14),
    control(ctl::exitButton, "3", K::pushButton, "E&xit", 173, 205, 50, 14),
    disabled(control(ctl::showResults, "1031", K::pushButton, "Show res&ults", 94, 223, 62, 14)),
    hidden(control(ctl::cancelButton, "2", K::pushButton, "Button1", 21, 223, 23, 7)),
    picture("icon145", ":/icons/icon145.xpm", 6, 230, 20, 20),
    picture("icon146", ":/icons/icon146.xpm", 243, 230, 20, 20),
};

// MulDiv: a * b / c rounded half away from zero, the rounding of the toolkit's unit conversion.
int mulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(p >= 0 ? (p + half) / c : (p - half) / c);
}

}  // namespace

std::span<const DialogControl> mainDialogControls() { return kControls; }

const DialogControl* findControl(int id) {
    if (id == ctl::none) return nullptr;
    for (const auto& c : kControls)
        if (c.id == id) return &c;
    return nullptr;
}

bool startsChecked(const DialogControl& control) {
    if (control.kind == ControlKind::checkBox) return true;
    if (control.kind != ControlKind::radioButton) return false;
    for (const auto& c : kControls)
        if (c.kind == ControlKind::radioButton && c.radioGroup == control.radioGroup)
            return c.id == control.id;
    return false;
}

int growthLimitDlu(const DialogControl& control) {
    constexpr int margin = 3;
    for (const auto& frame : kControls) {
        if (frame.kind != ControlKind::groupBox) continue;
        const bool inside = control.x >= frame.x && control.x < frame.x + frame.w && control.y >= frame.y &&
                            control.y < frame.y + frame.h;
        if (inside) return frame.x + frame.w - margin;
    }
    return kDialogWidthDlu - margin;
}

int dluToPixelsX(int dlu, DialogBaseUnits base) { return mulDiv(dlu, base.x, 4); }
int dluToPixelsY(int dlu, DialogBaseUnits base) { return mulDiv(dlu, base.y, 8); }
