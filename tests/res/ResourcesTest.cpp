#include "res/Resources.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

using namespace vornalix::res;

namespace {

std::string Unescape(const std::string& quoted) {
    std::string text;
    for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
        if (quoted[i] != '\\') {
            text += quoted[i];
            continue;
        }
        char next = quoted[++i];
        text += next == 'n' ? '\n' : next == 't' ? '\t' : next;
    }
    return text;
}

std::map<int, std::string> ReadEnglishTable() {
    std::ifstream in(VORNALIX_TEST_DATA "/english-strings.txt");
    std::map<int, std::string> table;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        auto tab = line.find('\t');
        table[std::stoi(line.substr(0, tab))] = Unescape(line.substr(tab + 1));
    }
    return table;
}

bool HasNonAscii(const std::string& text) {
    for (unsigned char c : text)
        if (c >= 0x80)
            return true;
    return false;
}

} // namespace

TEST(StringTable, EnglishTextsAreExact) {
    auto expected = ReadEnglishTable();
    ASSERT_EQ(expected.size(), 46u);
    for (const auto& [id, text] : expected)
        EXPECT_EQ(LoadString(id, Language::English), text) << "string " << id;
    // Blanks and line breaks are part of the texts.
    EXPECT_TRUE(LoadString(vornalix::res::StringId::MediaSenseEnabledRestart, Language::English)
                    .ends_with("the  Vornalix Utility again.  "));
    EXPECT_EQ(LoadString(vornalix::res::StringId::CouldNotConnect, Language::English).front(), '\n');
    EXPECT_EQ(LoadString(vornalix::res::StringId::UpdateCompleteText, Language::English).back(), '\n');
    EXPECT_EQ(LoadString(vornalix::res::StringId::CouldNotConnectPrefix, Language::English),
              "Could not connect to the Qel Gateway: ");
}

TEST(StringTable, UndefinedIdsLoadEmpty) {
    for (Language language : {Language::English, Language::Japanese})
        for (int id : {101, 103, 107, 108, 118, 100, 153})
            EXPECT_EQ(LoadString(id, language), "") << id;
}

TEST(StringTable, JapaneseTableTranslatesTheSameIds) {
    for (int id = 100; id < 1000; ++id) {
        std::string english = LoadString(id, Language::English);
        std::string japanese = LoadString(id, Language::Japanese);
        EXPECT_EQ(english.empty(), japanese.empty()) << id;
        if (english.empty())
            continue;
        if (id == 117 || id == 120 || id == 122) {
            EXPECT_EQ(japanese, english) << id;
        } else {
            EXPECT_NE(japanese, english) << id;
            EXPECT_TRUE(HasNonAscii(japanese)) << id;
        }
    }
}

TEST(DialogTemplates, BothLanguagesHaveTheSameDialogsAndControls) {
    std::set<int> ids(DialogIds().begin(), DialogIds().end());
    EXPECT_EQ(ids, (std::set<int>{102, 103, 104, 105, 106, 138, 139, 140, 141, 142, 143, 150}));
    for (int id : DialogIds()) {
        const DialogTemplate* english = FindDialog(id, Language::English);
        const DialogTemplate* japanese = FindDialog(id, Language::Japanese);
        ASSERT_TRUE(english && japanese) << id;
        ASSERT_EQ(english->controls.size(), japanese->controls.size()) << id;
        for (std::size_t i = 0; i < english->controls.size(); ++i) {
            const auto& e = english->controls[i];
            const auto& j = japanese->controls[i];
            EXPECT_EQ(e.id, j.id);
            EXPECT_EQ(e.cls, j.cls);
            // Dialog 105 shows Exit and hides Next in Japanese, the other way round in English.
            unsigned differs = (id == 105 && (e.id == 2 || e.id == 1033)) ? unsigned{kHidden} : 0u;
            EXPECT_EQ(e.style ^ j.style, differs) << "dialog " << id << " control " << e.id;
        }
        EXPECT_EQ(english->width, japanese->width);
        EXPECT_EQ(english->height, japanese->height);
    }
    EXPECT_TRUE(FindDialog(105, Language::English)->Find(2)->style & kHidden);
    EXPECT_FALSE(FindDialog(105, Language::English)->Find(1033)->style & kHidden);
    EXPECT_EQ(FindDialog(999, Language::English), nullptr);
}

TEST(DialogTemplates, PageFrames) {
    for (int id : DialogIds()) {
        const DialogTemplate* dialog = FindDialog(id, Language::English);
        // The restart prompt and the password prompt open over a page.
        if (id == 138 || id == 150) {
            EXPECT_EQ(dialog->caption, id == 138 ? "VORNALIX" : "vornalix");
            EXPECT_FALSE(dialog->applicationWindow);
            continue;
        }
        EXPECT_EQ(dialog->width, 212) << id;
        EXPECT_GE(dialog->height, 138) << id;
        EXPECT_LE(dialog->height, 153) << id;
        EXPECT_TRUE(dialog->applicationWindow) << id;
        // The banner band keeps the top of every page free of controls.
        for (const auto& control : dialog->controls)
            EXPECT_GE(control.y, 40) << id << " " << control.id;
    }
    EXPECT_EQ(FindDialog(102, Language::English)->caption, "Vornalix configuration agent, V1.3 RC11.2");
}

TEST(Language, FollowsTheLocaleName) {
    EXPECT_EQ(LanguageFromLocaleName("ja_JP.UTF-8"), Language::Japanese);
    EXPECT_EQ(LanguageFromLocaleName("ja_JP.eucJP"), Language::Japanese);
    EXPECT_EQ(LanguageFromLocaleName("ja"), Language::Japanese);
    EXPECT_EQ(LanguageFromLocaleName("jv_ID"), Language::English);
    EXPECT_EQ(LanguageFromLocaleName("java"), Language::English);
    EXPECT_EQ(LanguageFromLocaleName("en_US.UTF-8"), Language::English);
    EXPECT_EQ(LanguageFromLocaleName("C"), Language::English);
    EXPECT_EQ(LanguageFromLocaleName(""), Language::English);
}

TEST(ShiftJis, FullWidthCharactersCountTwoBytes) {
    EXPECT_EQ(ShiftJisLength(""), 0u);
    EXPECT_EQ(ShiftJisLength("Vornalix"), 8u);
    EXPECT_EQ(ShiftJisLength("ようこそ"), 8u);
    EXPECT_EQ(ShiftJisLength("ｱｲｳ"), 3u); // half-width katakana
    EXPECT_EQ(ShiftJisLength("Vornalix へようこそ"), 19u);
    EXPECT_EQ(ShiftJisLength("\xE3\x81"), 2u); // a cut-off sequence still counts once
}
