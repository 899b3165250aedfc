#pragma once
// A dialog of any template that records the commands it handles, and tests that build dialogs in English.
#include "res/Resources.h"
#include "ui/Dialog.h"

#include <gtest/gtest.h>

#include <vector>

namespace vornalix::testing {

class PlainDialog : public ui::Dialog {
public:
    explicit PlainDialog(int id) : ui::Dialog(id) {}
    std::vector<int> commands;

protected:
    bool OnCommand(int id) override {
        commands.push_back(id);
        return ui::Dialog::OnCommand(id);
    }
};

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { res::OverrideLanguage(res::Language::English); }
};

} // namespace vornalix::testing
