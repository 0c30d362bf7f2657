// The control table of the main dialog and the conversion of its dialog units.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "shell/dialog_controls.hpp"

namespace {

TEST(ControlTable, EveryIdIsUniqueAndIsItsObjectName) {
    std::set<int> ids;
    std::set<std::string_view> names;
    for (const DialogControl& c : mainDialogControls()) {
        EXPECT_TRUE(names.insert(c.objectName).second) << c.objectName;
        if (c.id == ctl::none) continue;
        EXPECT_TRUE(ids.insert(c.id).second) << c.id;
        EXPECT_EQ(c.objectName, std::to_string(c.id));
        EXPECT_EQ(findControl(c.id), &c);
    }
    EXPECT_EQ(findControl(ctl::none), nullptr);
    EXPECT_EQ(findControl(4711), nullptr);
}

TEST(ControlTable, RadioButtonsFormThreeGroups) {
    std::map<int, std::set<int>> groups;
    for (const DialogControl& c : mainDialogControls())
        if (c.kind == ControlKind::radioButton) groups[c.radioGroup].insert(c.id);
    const std::map<int, std::set<int>> expected{
        {1, {ctl::axis1, ctl::axis2, ctl::axis3}},
        {2, {ctl::eulerian, ctl::lagrangian}},
        {3, {ctl::finite, ctl::infinitesimal}},
    };
    EXPECT_EQ(groups, expected);
}

TEST(ControlTable, FirstRadioOfEachGroupAndTheCheckBoxStartChecked) {
    std::set<int> checked;
    for (const DialogControl& c : mainDialogControls())
        if (startsChecked(c)) checked.insert(c.id);
    EXPECT_EQ(checked, (std::set<int>{ctl::axis1, ctl::eulerian, ctl::finite, ctl::incremental}));
}

TEST(ControlTable, RunAndShowResultsStartDisabledOnlyCancelIsHidden) {
    for (const DialogControl& c : mainDialogControls()) {
        // Show results has nothing to show before the first completed run.
        EXPECT_EQ(c.disabled, c.id == ctl::run || c.id == ctl::showResults) << c.objectName;
        EXPECT_EQ(c.hidden, c.id == ctl::cancelButton) << c.objectName;
    }
}

TEST(ControlTable, EveryControlLiesInsideTheDialog) {
    for (const DialogControl& c : mainDialogControls()) {
        EXPECT_GE(c.x, 0) << c.objectName;
        EXPECT_GE(c.y, 0) << c.objectName;
        EXPECT_LE(c.x + c.w, kDialogWidthDlu) << c.objectName;
        EXPECT_LE(c.y + c.h, kDialogHeightDlu) << c.objectName;
    }
}

TEST(ControlTable, ButtonsAndNameDisplaysCarryTheirTexts) {
    const std::map<int, std::string_view> texts{
        {ctl::inputBrowse, "&Browse"}, {ctl::printBrowse, "Br&owse"}, {ctl::run, "&Run"},
        {ctl::reset, "Rese&t"},        {ctl::exitButton, "E&xit"},    {ctl::cancelButton, "Button1"},
        {ctl::inputName, "No file selected"}, {ctl::printName, "No file selected"},
        {ctl::statusLine, ""},
    };
    for (const auto& [id, text] : texts) {
        ASSERT_NE(findControl(id), nullptr) << id;
        EXPECT_EQ(findControl(id)->text, text) << id;
    }
}

TEST(ControlTable, ButtonsMayGrowOnlyWithinTheirFrame) {
    // The axial-set frame spans 14..163, the strain frames 169..242, the dialog 0..268.
    EXPECT_EQ(growthLimitDlu(*findControl(ctl::axis1)), 160);
    EXPECT_EQ(growthLimitDlu(*findControl(ctl::axis3)), 160);
    EXPECT_EQ(growthLimitDlu(*findControl(ctl::lagrangian)), 239);
    EXPECT_EQ(growthLimitDlu(*findControl(ctl::infinitesimal)), 239);
    EXPECT_EQ(growthLimitDlu(*findControl(ctl::incremental)), 265);
}

// One horizontal unit is a quarter of the average character width, one vertical unit an eighth
// of the character height, rounded half up.
TEST(DialogUnits, ScaleWithTheFontAndRoundToNearest) {
    EXPECT_EQ(dluToPixelsX(268, {4, 8}), 268);
    EXPECT_EQ(dluToPixelsY(260, {4, 8}), 260);
    EXPECT_EQ(dluToPixelsX(268, {8, 16}), 536);
    EXPECT_EQ(dluToPixelsY(260, {8, 16}), 520);
    EXPECT_EQ(dluToPixelsX(1, {6, 13}), 2);   // 1.5 rounds up
    EXPECT_EQ(dluToPixelsX(3, {5, 13}), 4);   // 3.75
    EXPECT_EQ(dluToPixelsX(5, {5, 13}), 6);   // 6.25
    EXPECT_EQ(dluToPixelsY(3, {12, 12}), 5);  // 4.5 rounds up
    EXPECT_EQ(dluToPixelsY(5, {12, 13}), 8);  // 8.125
    EXPECT_EQ(dluToPixelsX(0, {6, 13}), 0);
}

}  // namespace
