#pragma once
// The controls of the main dialog: ids, kinds, texts, places in dialog units and first states.
// Both the window and the tests build from this one table.
#include <span>
#include <string_view>

// Control ids; each is also the control's object name ("1009"), so tests and tools find them.
namespace ctl {
inline constexpr int inputFrame = 1000;
inline constexpr int inputName = 1010;
inline constexpr int inputBrowse = 1001;
inline constexpr int printFrame = 1005;
inline constexpr int printName = 1008;
inline constexpr int printBrowse = 1006;
inline constexpr int statusLine = 1029;
inline constexpr int resultFolder = 1030;  // under the status line: where the result files go
inline constexpr int axis1 = 1055;
inline constexpr int axis2 = 1056;
inline constexpr int axis3 = 1057;
inline constexpr int strainFrame = 1062;
inline constexpr int eulerian = 1058;
inline constexpr int lagrangian = 1059;
inline constexpr int finiteFrame = 1063;
inline constexpr int finite = 1060;
inline constexpr int infinitesimal = 1061;
inline constexpr int incremental = 1054;
inline constexpr int run = 1009;
inline constexpr int reset = 1004;
inline constexpr int exitButton = 3;
inline constexpr int showResults = 1031;  // reopens the results window of the last completed run
inline constexpr int cancelButton = 2;  // hidden; Esc and the close box reach it
inline constexpr int none = -1;         // the axial-set frame and the two pictures have no id
}  // namespace ctl

enum class ControlKind { groupBox, label, pushButton, radioButton, checkBox, icon };

struct DialogControl {
    int id = ctl::none;
    std::string_view objectName;  // the id as text, or a name for a control without id
    ControlKind kind = ControlKind::label;
    std::string_view text;
    int x = 0, y = 0, w = 0, h = 0;  // dialog units
    // 1 axial set, 2 Eulerian/Lagrangian, 3 finite/infinitesimal; for a group box, the group it
    // frames (its mnemonic moves the focus to the group's checked button)
    int radioGroup = 0;
    bool sunken = false;             // label drawn sunken with a border
    bool centred = false;            // label text centred rather than left aligned
    bool disabled = false;           // disabled when the dialog opens
    bool hidden = false;
    bool defaultButton = false;      // the push button that Enter presses while it is enabled
    std::string_view picture;        // resource path of an icon's picture
};

inline constexpr int kDialogWidthDlu = 268;
inline constexpr int kDialogHeightDlu = 260;
inline constexpr std::string_view kDialogTitle = "Win_Tenzio";  // the version follows it in the title bar
inline constexpr std::string_view kNoFileSelected = "No file selected";

// Every control in creation (tab) order. A "&" in a text marks the letter that, with Alt,
// presses the button or moves to the control.
std::span<const DialogControl> mainDialogControls();

// The control with this id, or nullptr.
const DialogControl* findControl(int id);

// What the toolkit does when it builds the dialog: the first radio button of each group and
// every check box start checked.
bool startsChecked(const DialogControl& control);

// The right edge, in dialog units, up to which a control may grow when its text needs more room
// than its box gives: the inner edge of the frame that holds it, or the dialog's margin.
int growthLimitDlu(const DialogControl& control);

// Average character width and height of the dialog's font, in pixels.
struct DialogBaseUnits {
    int x = 0;
    int y = 0;
};

// Dialog units to pixels: a horizontal unit is a quarter of the average character width, a
// vertical unit an eighth of the character height, rounded to nearest as the toolkit does.
int dluToPixelsX(int dlu, DialogBaseUnits base);
int dluToPixelsY(int dlu, DialogBaseUnits base);
