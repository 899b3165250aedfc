#include "hostnet/MediaSenseGuard.h"
#include "common/fake/ScriptedPrompt.h"
#include "hostnet/fake/FakeRestartPrompt.h"
#include "hostnet/fake/MemoryRegistry.h"
#include "res/Resources.h"

#include <gtest/gtest.h>

using namespace vornalix;
using namespace vornalix::hostnet;

namespace {

const std::string kParams = kTcpipParametersKey;
const std::string kNetTrans = kNetTransClassKey;
const std::string kSave = kMediaSenseSaveKey;
constexpr unsigned kQuestion = common::MB_YESNO | common::MB_ICONEXCLAMATION;

class MediaSenseGuardTest : public ::testing::Test {
protected:
    void SetUp() override { res::OverrideLanguage(res::Language::English); }

    MediaSenseGuard Guard(std::uint16_t version) { return MediaSenseGuard(registry, prompt, restartPrompt, version); }

    void ExpectOnlyQuestion(int messageId) {
        ASSERT_EQ(prompt.Count(), 1u);
        EXPECT_EQ(prompt.Boxes()[0].text, res::LoadString(messageId));
        EXPECT_EQ(prompt.Boxes()[0].type, kQuestion);
    }
    void ExpectRestartPrompt(int messageId, int mode) {
        ASSERT_EQ(restartPrompt.shown.size(), 1u);
        EXPECT_EQ(restartPrompt.shown[0].message, res::LoadString(messageId));
        EXPECT_EQ(restartPrompt.shown[0].mode, mode);
    }

    MemoryRegistry registry;
    common::ScriptedPrompt prompt;
    FakeRestartPrompt restartPrompt;
};

// ---- version 5 -------------------------------------------------------------------------

TEST_F(MediaSenseGuardTest, Nt5ValueAlreadyOneDoesNothing) {
    registry.SetDword(kParams, kMediaSenseValue, 1);
    EXPECT_EQ(Guard(0x0500).DisableMediaSenseNt5(), 2);
    EXPECT_EQ(prompt.Count(), 0u);
    EXPECT_TRUE(restartPrompt.shown.empty());
    EXPECT_FALSE(registry.HasKey(kSave));
    EXPECT_EQ(registry.OpenHandles(), 0u);
}

TEST_F(MediaSenseGuardTest, Nt5OneStoredAsAnotherTypeStillCounts) {
    registry.SetRaw(kParams, kMediaSenseValue, 3 /* REG_BINARY */, {1, 0, 0, 0});
    EXPECT_EQ(Guard(0x0501).DisableMediaSenseNt5(), 2);
    EXPECT_EQ(prompt.Count(), 0u);
}

TEST_F(MediaSenseGuardTest, Nt5ValueAbsentYesWritesDwordCreatesSaveKeyAndAsksForRestart) {
    registry.AddKey(kParams);
    prompt.Answer(common::IDYES);
    EXPECT_EQ(Guard(0x0500).DisableMediaSenseNt5(), 0);
    ExpectOnlyQuestion(109);
    auto value = registry.GetValue(kParams, kMediaSenseValue);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, kRegDword);
    EXPECT_EQ(registry.GetDword(kParams, kMediaSenseValue), 1u);
    EXPECT_TRUE(registry.HasKey(kSave));
    EXPECT_EQ(registry.ClassOf(kSave), "OldDisableDHCPMediaSense");
    ExpectRestartPrompt(110, RestartPrompt::RestartNowOrLater);
    EXPECT_EQ(registry.OpenHandles(), 0u);
    // Value first, then the save key.
    ASSERT_EQ(registry.changes.size(), 2u);
    EXPECT_EQ(registry.changes[0].rfind("SetValue", 0), 0u);
    EXPECT_EQ(registry.changes[1], "CreateKey " + kSave);
}

TEST_F(MediaSenseGuardTest, Nt5ValueZeroYesOverwritesIt) {
    registry.SetDword(kParams, kMediaSenseValue, 0);
    EXPECT_EQ(Guard(0x0500).DisableMediaSenseNt5(), 0);
    EXPECT_EQ(registry.GetDword(kParams, kMediaSenseValue), 1u);
    EXPECT_TRUE(registry.HasKey(kSave));
    ExpectRestartPrompt(110, RestartPrompt::RestartNowOrLater);
}

TEST_F(MediaSenseGuardTest, Nt5UserNoLeavesRegistryUnchanged) {
    for (bool present : {false, true}) {
        MemoryRegistry fresh;
        registry = fresh;
        if (present)
            registry.SetDword(kParams, kMediaSenseValue, 0);
        else
            registry.AddKey(kParams);
        restartPrompt.shown.clear();
        prompt.Answer(common::IDNO);
        EXPECT_EQ(Guard(0x0500).DisableMediaSenseNt5(), 3) << present;
        EXPECT_TRUE(registry.changes.empty()) << present;
        EXPECT_TRUE(restartPrompt.shown.empty());
        EXPECT_EQ(registry.OpenHandles(), 0u);
    }
}

TEST_F(MediaSenseGuardTest, Nt5MissingParametersKeyIsCreatedWithItsClass) {
    EXPECT_EQ(Guard(0x0500).DisableMediaSenseNt5(), 0);
    ExpectOnlyQuestion(109);
    EXPECT_EQ(registry.ClassOf(kParams), "DisableDHCPMediaSense");
    EXPECT_EQ(registry.GetDword(kParams, kMediaSenseValue), 1u);
    EXPECT_EQ(registry.ClassOf(kSave), "OldDisableDHCPMediaSense");
    ExpectRestartPrompt(110, RestartPrompt::RestartNowOrLater);
}

TEST_F(MediaSenseGuardTest, Nt5ParametersKeyCannotBeCreated) {
    registry.failCreate.insert(kParams);
    EXPECT_EQ(Guard(0x0500).DisableMediaSenseNt5(), 0);
    ExpectRestartPrompt(111, RestartPrompt::CloseOnly);
    EXPECT_FALSE(registry.HasKey(kSave));
}

// A value that could not be written, or a save key that could not be created, is a
// failure and is reported as one.
TEST_F(MediaSenseGuardTest, Nt5RefusedWriteIsReportedNotClaimed) {
    registry.SetDword(kParams, kMediaSenseValue, 0);
    registry.failSetValue.insert(kParams);
    EXPECT_EQ(Guard(0x0500).DisableMediaSenseNt5(), 0);
    ExpectRestartPrompt(111, RestartPrompt::CloseOnly);
    EXPECT_FALSE(registry.HasKey(kSave));
    EXPECT_EQ(registry.GetDword(kParams, kMediaSenseValue), 0u);
}

TEST_F(MediaSenseGuardTest, Nt5RefusedSaveKeyIsReportedNotClaimed) {
    registry.AddKey(kParams);
    registry.failCreate.insert(kSave);
    EXPECT_EQ(Guard(0x0500).DisableMediaSenseNt5(), 0);
    ExpectRestartPrompt(111, RestartPrompt::CloseOnly);
}

TEST_F(MediaSenseGuardTest, Nt5RestoreWithoutSaveKeyDoesNothing) {
    registry.SetDword(kParams, kMediaSenseValue, 1);
    EXPECT_EQ(Guard(0x0500).RestoreMediaSenseNt5(), 1);
    EXPECT_EQ(prompt.Count(), 0u);
    EXPECT_TRUE(restartPrompt.shown.empty());
    EXPECT_EQ(registry.GetDword(kParams, kMediaSenseValue), 1u);
}

TEST_F(MediaSenseGuardTest, Nt5RestoreYesWritesZeroAndDeletesSaveKey) {
    registry.AddKey(kParams); // value absent before the wizard: it still ends as 0
    registry.AddKey(kSave, kSaveKeyClass);
    EXPECT_EQ(Guard(0x0500).RestoreMediaSenseNt5(), 1);
    ExpectOnlyQuestion(112);
    EXPECT_EQ(registry.GetDword(kParams, kMediaSenseValue), 0u);
    EXPECT_FALSE(registry.HasKey(kSave));
    ExpectRestartPrompt(113, RestartPrompt::RestartNowOrLater);
    EXPECT_EQ(registry.OpenHandles(), 0u);
}

TEST_F(MediaSenseGuardTest, Nt5RestoreNoKeepsEverything) {
    registry.SetDword(kParams, kMediaSenseValue, 1);
    registry.AddKey(kSave);
    prompt.Answer(common::IDNO);
    EXPECT_EQ(Guard(0x0500).RestoreMediaSenseNt5(), 2);
    EXPECT_EQ(registry.GetDword(kParams, kMediaSenseValue), 1u);
    EXPECT_TRUE(registry.HasKey(kSave));
    EXPECT_TRUE(restartPrompt.shown.empty());
}

TEST_F(MediaSenseGuardTest, DisableThenRestoreRoundTrip) {
    registry.SetDword(kParams, kMediaSenseValue, 0);
    EXPECT_EQ(Guard(0x0500).DisableMediaSenseNt5(), 0);
    EXPECT_EQ(Guard(0x0500).DisableMediaSenseNt5(), 2); // after the restart: nothing more to do
    EXPECT_EQ(Guard(0x0500).RestoreMediaSenseNt5(), 1);
    EXPECT_EQ(registry.GetDword(kParams, kMediaSenseValue), 0u);
    EXPECT_EQ(Guard(0x0500).RestoreMediaSenseNt5(), 1); // save key gone: no second question
    EXPECT_EQ(prompt.Count(), 2u);
}

// ---- Windows Me ------------------------------------------------------------------------

class MediaSenseGuardMeTest : public MediaSenseGuardTest {
protected:
    void SetUp() override {
        MediaSenseGuardTest::SetUp();
        registry.deleteRemovesSubkeys = true;
    }
};

TEST_F(MediaSenseGuardMeTest, OneQuestionOneChangeOneSaveSubkey) {
    registry.SetString(kNetTrans + "\\0000", kMediaSenseValue, "0");
    registry.SetString(kNetTrans + "\\0001", kMediaSenseValue, "1");
    registry.AddKey(kNetTrans + "\\0002"); // no value: never given one
    prompt.Answer(common::IDYES);
    EXPECT_EQ(Guard(0x045A).DisableMediaSenseMe(), 0);
    ExpectOnlyQuestion(109);
    EXPECT_EQ(registry.GetString(kNetTrans + "\\0000", kMediaSenseValue), "1");
    EXPECT_EQ(registry.GetValue(kNetTrans + "\\0000", kMediaSenseValue)->data.size(), 2u);
    EXPECT_EQ(registry.GetString(kNetTrans + "\\0001", kMediaSenseValue), "1");
    EXPECT_FALSE(registry.GetValue(kNetTrans + "\\0002", kMediaSenseValue));
    EXPECT_EQ(registry.Subkeys(kSave), std::vector<std::string>{"0000"});
    EXPECT_EQ(registry.ClassOf(kSave + "\\0000"), "OldDisableDHCPMediaSense");
    ExpectRestartPrompt(110, RestartPrompt::RestartNowOrLater);
    EXPECT_EQ(registry.OpenHandles(), 0u);
}

TEST_F(MediaSenseGuardMeTest, NothingToChangeGivesTwoWithoutQuestion) {
    registry.SetString(kNetTrans + "\\0000", kMediaSenseValue, "1");
    registry.AddKey(kNetTrans + "\\0001");
    registry.SetString(kNetTrans + "\\0002", kMediaSenseValue, "10"); // does not fit the buffer
    EXPECT_EQ(Guard(0x045A).DisableMediaSenseMe(), 2);
    EXPECT_EQ(prompt.Count(), 0u);
    EXPECT_TRUE(registry.changes.empty());
    EXPECT_EQ(Guard(0x045A).DisableMediaSenseMe(), 2);
}

TEST_F(MediaSenseGuardMeTest, NoTransportClassKeyGivesTwo) {
    EXPECT_EQ(Guard(0x045A).DisableMediaSenseMe(), 2);
    EXPECT_EQ(prompt.Count(), 0u);
}

TEST_F(MediaSenseGuardMeTest, LongSubkeyNamesAreSkippedNotFatal) {
    registry.SetString(kNetTrans + "\\00000", kMediaSenseValue, "0");
    registry.SetString(kNetTrans + "\\0001", kMediaSenseValue, "");
    EXPECT_EQ(Guard(0x045A).DisableMediaSenseMe(), 0);
    EXPECT_EQ(registry.GetString(kNetTrans + "\\00000", kMediaSenseValue), "0");
    EXPECT_EQ(registry.GetString(kNetTrans + "\\0001", kMediaSenseValue), "1");
}

TEST_F(MediaSenseGuardMeTest, UserNoChangesNothing) {
    registry.SetString(kNetTrans + "\\0000", kMediaSenseValue, "0");
    prompt.Answer(common::IDNO);
    EXPECT_EQ(Guard(0x045A).DisableMediaSenseMe(), 3);
    EXPECT_TRUE(registry.changes.empty());
    EXPECT_EQ(registry.OpenHandles(), 0u);
}

TEST_F(MediaSenseGuardMeTest, RefusedWriteIsReportedNotClaimed) {
    registry.SetString(kNetTrans + "\\0000", kMediaSenseValue, "0");
    registry.SetString(kNetTrans + "\\0001", kMediaSenseValue, "0");
    registry.failSetValue.insert(kNetTrans + "\\0000");
    EXPECT_EQ(Guard(0x045A).DisableMediaSenseMe(), 0);
    ExpectRestartPrompt(111, RestartPrompt::CloseOnly);
    // Only the instance that did change is recorded for the restore.
    EXPECT_EQ(registry.Subkeys(kSave), std::vector<std::string>{"0001"});
}

TEST_F(MediaSenseGuardMeTest, RestoreTouchesOnlySavedInstancesStillAtOne) {
    registry.SetString(kNetTrans + "\\0000", kMediaSenseValue, "1");
    registry.SetString(kNetTrans + "\\0001", kMediaSenseValue, "1"); // not saved: was "1" before
    registry.SetString(kNetTrans + "\\0002", kMediaSenseValue, "0"); // saved, but changed since
    registry.AddKey(kSave + "\\0000", kSaveKeyClass);
    registry.AddKey(kSave + "\\0002", kSaveKeyClass);
    EXPECT_EQ(Guard(0x045A).RestoreMediaSenseMe(), 1);
    ExpectOnlyQuestion(112);
    EXPECT_EQ(registry.GetString(kNetTrans + "\\0000", kMediaSenseValue), "0");
    EXPECT_EQ(registry.GetString(kNetTrans + "\\0001", kMediaSenseValue), "1");
    EXPECT_EQ(registry.GetString(kNetTrans + "\\0002", kMediaSenseValue), "0");
    EXPECT_FALSE(registry.HasKey(kSave));
    EXPECT_FALSE(registry.HasKey(kSave + "\\0000"));
    ExpectRestartPrompt(113, RestartPrompt::RestartNowOrLater);
    EXPECT_EQ(registry.OpenHandles(), 0u);
}

TEST_F(MediaSenseGuardMeTest, RestoreDeletesSaveKeyEvenWhenNothingChanged) {
    registry.AddKey(kSave + "\\0003");
    EXPECT_EQ(Guard(0x045A).RestoreMediaSenseMe(), 1);
    EXPECT_FALSE(registry.HasKey(kSave));
}

TEST_F(MediaSenseGuardMeTest, RestoreWithoutSaveKeyAndRestoreDeclined) {
    EXPECT_EQ(Guard(0x045A).RestoreMediaSenseMe(), 1);
    EXPECT_EQ(prompt.Count(), 0u);
    registry.AddKey(kSave + "\\0000");
    registry.SetString(kNetTrans + "\\0000", kMediaSenseValue, "1");
    prompt.Answer(common::IDNO);
    EXPECT_EQ(Guard(0x045A).RestoreMediaSenseMe(), 2);
    EXPECT_TRUE(registry.HasKey(kSave + "\\0000"));
    EXPECT_EQ(registry.GetString(kNetTrans + "\\0000", kMediaSenseValue), "1");
}

// ---- the version gate ------------------------------------------------------------------

TEST_F(MediaSenseGuardTest, OtherSystemsReturnOneAndTouchNothing) {
    registry.SetDword(kParams, kMediaSenseValue, 0);
    registry.SetString(kNetTrans + "\\0000", kMediaSenseValue, "0");
    registry.AddKey(kSave + "\\0000");
    // Windows 98, Windows 95, NT 4.0, Linux (0), and a 6.x system.
    for (std::uint16_t version : {0x040A, 0x0400, 0x0000, 0x0601}) {
        MediaSenseGuard guard = Guard(version);
        EXPECT_EQ(guard.DisableMediaSenseNt5(), 1) << version;
        EXPECT_EQ(guard.DisableMediaSenseMe(), 1) << version;
        EXPECT_EQ(guard.RestoreMediaSenseNt5(), 1) << version;
        EXPECT_EQ(guard.RestoreMediaSenseMe(), 1) << version;
    }
    EXPECT_EQ(prompt.Count(), 0u);
    EXPECT_TRUE(registry.changes.empty());
    EXPECT_TRUE(restartPrompt.shown.empty());
}

TEST_F(MediaSenseGuardTest, EachFamilyIgnoresTheOthersOperations) {
    EXPECT_EQ(Guard(0x0500).DisableMediaSenseMe(), 1);
    EXPECT_EQ(Guard(0x0500).RestoreMediaSenseMe(), 1);
    EXPECT_EQ(Guard(0x045A).DisableMediaSenseNt5(), 1);
    EXPECT_EQ(Guard(0x045A).RestoreMediaSenseNt5(), 1);
    EXPECT_EQ(prompt.Count(), 0u);
}

} // namespace
