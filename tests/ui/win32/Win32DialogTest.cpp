#include "ui/win32/Win32Dialog.h"
#include "res/Resources.h"
#include "ui/Application.h"
#include "ui/DialogBackend.h"
#include "ui/DialogColors.h"
#include "ui/GuiPrompt.h"
#include "ui/win32/WideText.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using namespace vornalix;
using ui::win32::Win32Dialog;

namespace {

// The GUI thread, as the program's main() makes it.
class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        int argc = 0;
        application = ui::Application::Start(argc, nullptr);
        ASSERT_TRUE(application) << "no window station";
    }
    void TearDown() override { application.reset(); }

private:
    std::unique_ptr<ui::Application> application;
};
[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

class Page : public ui::Dialog {
public:
    explicit Page(int id) : ui::Dialog(id) {}
    std::vector<int> commands;
    std::function<void(ui::Canvas&)> paint;
    std::function<void(int)> timer;
    std::function<int()> enter;

protected:
    bool OnCommand(int id) override {
        commands.push_back(id);
        return ui::Dialog::OnCommand(id);
    }
    void OnPaint(ui::Canvas& canvas) override {
        if (paint)
            paint(canvas);
    }
    void OnTimer(int id) override {
        if (timer)
            timer(id);
    }
    int OnEnterCommand() const override { return enter ? enter() : EnterCommandId(); }
};

HWND WindowOf(const ui::Dialog& dialog) {
    return Win32Dialog::Of(dialog).Window();
}

HWND ItemOf(const ui::Dialog& dialog, int id) {
    return Win32Dialog::Of(dialog).ItemWindow(id);
}

ui::Rect FromRect(const RECT& rect) {
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

ui::Rect DialogUnits(const ui::Dialog& dialog, int x, int y, int width, int height) {
    RECT rect{x, y, x + width, y + height};
    MapDialogRect(WindowOf(dialog), &rect);
    return FromRect(rect);
}

// Runs dialog modally; script runs once its modal loop is going. A dialog still open after 10 s ends.
int RunModal(ui::Dialog& dialog, std::function<void()> script) {
    UINT_PTR guard = SetTimer(nullptr, 0, 10000, [](HWND, UINT, UINT_PTR, DWORD) {
        ADD_FAILURE() << "a dialog was left open";
        if (ui::Dialog* open = ui::ActiveModalDialog())
            open->EndDialog(-1);
    });
    EXPECT_TRUE(ui::PostToGuiThread(std::move(script)));
    int code = dialog.DoModal();
    KillTimer(nullptr, guard);
    return code;
}

// A key as the keyboard gives it, to the control with the focus.
void PostKey(WPARAM key) {
    ASSERT_NE(GetFocus(), nullptr);
    PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
    PostMessageW(GetFocus(), WM_KEYUP, key, 0xC0000001);
}

class Win32DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        res::OverrideLanguage(res::Language::English);
        ui::SetDialogColors(ui::StartupBackground(), ui::kBlack);
        ui::LastPageFrame().reset();
    }
};

TEST_F(Win32DialogTest, TemplatesBuildInDialogUnitsAndControlsKeepWhatTheySay) {
    for (res::Language language : {res::Language::English, res::Language::Japanese}) {
        SCOPED_TRACE(static_cast<int>(language));
        res::OverrideLanguage(language);
        const res::DialogTemplate& source = *res::FindDialog(103, language);
        Page page(103);
        page.InitializeForDisplay();
        wchar_t caption[256] = {};
        GetWindowTextW(WindowOf(page), caption, 256);
        EXPECT_EQ(ui::win32::Utf8(caption), source.caption);
        EXPECT_EQ(page.ItemText(1013), source.Find(1013)->text);
        EXPECT_EQ(page.ItemText(3), source.Find(3)->text);
        const res::ControlTemplate& text = *source.Find(1016);
        EXPECT_EQ(page.ItemRect(1016), DialogUnits(page, text.x, text.y, text.width, text.height));
        // The combo box shows one line; its template height is that of the dropped list.
        const res::ControlTemplate& adapters = *source.Find(1002);
        RECT closed{}, dropped{};
        GetWindowRect(ItemOf(page, 1002), &closed);
        SendMessageW(ItemOf(page, 1002), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
        // (Wine's dropped rectangle is shorter than the template's height, Windows' is that height.)
        EXPECT_LT(closed.bottom - closed.top, DialogUnits(page, 0, 0, 0, adapters.height).height / 2);
        EXPECT_GT(dropped.bottom - closed.bottom, (closed.bottom - closed.top) / 2);

        const std::string japanese = "ファームウェアを選んでください\n「次へ」";
        page.SetItemText(1016, japanese);
        EXPECT_EQ(page.ItemText(1016), japanese);
        page.SetItemText(1001, "C:\\fw\\新しい image.bin");
        EXPECT_EQ(page.ItemText(1001), "C:\\fw\\新しい image.bin");
        page.ShowItem(3, false);
        page.EnableItem(1, false);
        EXPECT_FALSE(page.IsItemShown(3));
        EXPECT_TRUE(page.IsItemShown(1034));
        EXPECT_FALSE(page.IsItemEnabled(1));
        EXPECT_TRUE(page.IsItemEnabled(2));

        EXPECT_EQ(page.SelectedListItem(1002), -1);
        page.AddListItem(1002, "ローカル エリア接続 (192.168.1.2)");
        page.AddListItem(1002, "Wi-Fi (10.0.0.5)");
        EXPECT_EQ(page.ListCount(1002), 2);
        EXPECT_EQ(page.ItemText(1002), "");
        page.SelectListItem(1002, 1);
        EXPECT_EQ(page.SelectedListItem(1002), 1);
        EXPECT_EQ(page.ItemText(1002), "Wi-Fi (10.0.0.5)");
        EXPECT_EQ(page.ListItem(1002, 0), "ローカル エリア接続 (192.168.1.2)");
        EXPECT_EQ(page.ListItem(1002, 2), "");
        page.ClearList(1002);
        EXPECT_EQ(page.ListCount(1002), 0);
        EXPECT_EQ(page.SelectedListItem(1002), -1);

        page.FocusItem(1001);
        EXPECT_EQ(page.FocusedItem(), 1001);
        EXPECT_FALSE(page.HasItem(4242));
        EXPECT_EQ(page.ItemText(4242), "");
    }

    // The program's manifest asks for common controls 6 (the side-by-side copy, not system32's).
    wchar_t controls[MAX_PATH] = {};
    GetModuleFileNameW(GetModuleHandleW(L"comctl32.dll"), controls, MAX_PATH);
    EXPECT_THAT(ui::win32::Utf8(controls), ::testing::HasSubstr("common-controls_6595b64144ccf1df_6."));

    Page modes(139);
    modes.CheckItem(1022, true);
    EXPECT_TRUE(modes.IsItemChecked(1022));
    modes.CheckItem(1021, true);
    EXPECT_TRUE(modes.IsItemChecked(1021));
    EXPECT_FALSE(modes.IsItemChecked(1022));

    Page transfer(104);
    EXPECT_FALSE(transfer.IsItemShown(1008));
    common::ProgressBarState state;
    state.SetRange(0, 300);
    state.SetPos(120);
    transfer.ShowProgress(1005, state);
    common::ProgressBarState shown = transfer.ItemProgress(1005);
    EXPECT_EQ(shown.low(), 0);
    EXPECT_EQ(shown.high(), 300);
    EXPECT_EQ(shown.pos(), 120);
    common::ProgressBarState empty;
    empty.SetRange(5, 5);
    transfer.ShowProgress(1005, empty);
    EXPECT_EQ(transfer.ItemProgress(1005).low(), 5);
    EXPECT_EQ(transfer.ItemProgress(1005).high(), 5);
    // The bar itself is empty.
    HWND bar = ItemOf(transfer, 1005);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), SendMessageW(bar, PBM_GETRANGE, TRUE, 0));
}

TEST_F(Win32DialogTest, ANoticeGrowsOverTheControlsItCoversAndCanBeSelected) {
    Page transfer(104);
    transfer.InitializeForDisplay();
    ui::Rect status = transfer.ItemRect(1011), peer = transfer.ItemRect(1014), bar = transfer.ItemRect(1005);
    ui::Rect back = transfer.ItemRect(1034);
    const std::string notice = "The firmware could not be sent.\n\nCheck the cable & try again: ケーブルを確認";
    transfer.ShowNotice(1011, {1014, 1005}, notice);
    EXPECT_FALSE(transfer.IsItemShown(1014));
    EXPECT_FALSE(transfer.IsItemShown(1005));
    EXPECT_TRUE(transfer.IsItemShown(1011));
    EXPECT_EQ(transfer.ItemText(1011), notice);
    ui::Rect grown = transfer.ItemRect(1011);
    EXPECT_EQ(grown.left, std::min({status.left, peer.left, bar.left}));
    EXPECT_EQ(grown.top, status.top);
    EXPECT_EQ(grown.Right(), std::max({status.Right(), peer.Right(), bar.Right()}));
    EXPECT_GT(grown.Bottom(), bar.Bottom());
    EXPECT_LT(grown.Bottom(), back.top);
    // Its text can be selected (and so copied).
    HWND text = ItemOf(transfer, 1011);
    SendMessageW(text, EM_SETSEL, 0, -1);
    DWORD end = 0;
    SendMessageW(text, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(end, static_cast<DWORD>(GetWindowTextLengthW(text)));
    EXPECT_GT(end, 0u);
}

TEST_F(Win32DialogTest, EnterFollowsTheDialogLayerAndEscapeAndCloseCancel) {
    // A page that sends Enter in the file field to Browse: the dialog manager's own rule would give Next.
    Page files(142);
    files.enter = [&files] { return files.FocusedItem() == 1001 ? 3 : files.EnterCommandId(); };
    int code = RunModal(files, [&] {
        files.FocusItem(1034);
        PostKey(VK_RETURN);
        ui::PostToGuiThread([&] {
            files.FocusItem(1001);
            PostKey(VK_RETURN);
            PostKey(VK_ESCAPE);
        });
    });
    EXPECT_EQ(code, common::IDCANCEL);
    EXPECT_THAT(files.commands, ::testing::ElementsAre(1034, 3, common::IDCANCEL));

    // Focus on a radio button: the single default button.
    Page modes(139);
    EXPECT_EQ(RunModal(modes,
                       [&] {
                           modes.FocusItem(1022);
                           PostKey(VK_RETURN);
                       }),
              common::IDOK);
    ASSERT_FALSE(modes.commands.empty());
    EXPECT_EQ(modes.commands.back(), common::IDOK);
    // On the final page the single default button is Exit (2), not 1; while it is disabled Enter does nothing.
    Page final(106);
    RunModal(final, [&] {
        final.FocusItem(1012);
        final.EnableItem(common::IDCANCEL, false);
        PostKey(VK_RETURN);
        ui::PostToGuiThread([&] {
            final.EnableItem(common::IDCANCEL, true);
            PostKey(VK_RETURN);
        });
    });
    EXPECT_THAT(final.commands, ::testing::ElementsAre(common::IDCANCEL));
    // The close box.
    Page welcome(102);
    EXPECT_EQ(RunModal(welcome, [&] { PostMessageW(WindowOf(welcome), WM_SYSCOMMAND, SC_CLOSE, 0); }),
              common::IDCANCEL);
    EXPECT_THAT(welcome.commands, ::testing::ElementsAre(common::IDCANCEL));
}

TEST_F(Win32DialogTest, TimersReachThePageAndItsCanvasPaints) {
    Page page(102);
    ui::Size measured;
    int paints = 0, ticks = 0;
    COLORREF band = 0, below = 0;
    int white = 0;
    page.paint = [&](ui::Canvas& canvas) {
        ++paints;
        ui::Size client = canvas.ClientSize();
        canvas.Fill({0, 0, client.width, client.height / 4}, {0, 0, 255});
        canvas.SelectFont({"Arial", 40, true, true, 0});
        measured = canvas.MeasureText("Vornalix");
        canvas.DrawText({client.width / 2 - measured.width / 2, client.height / 8 - measured.height / 2}, "Vornalix",
                        {255, 255, 255});
    };
    page.timer = [&](int id) {
        EXPECT_EQ(id, 7);
        if (++ticks < 3 || paints == 0)
            return;
        page.KillTimer(7);
        ui::Size client = page.ClientSize();
        HDC dc = GetDC(WindowOf(page));
        band = GetPixel(dc, 2, 2);
        below = GetPixel(dc, 2, client.height - 3);
        for (int x = 0; x < client.width; ++x)
            white += GetPixel(dc, x, client.height / 8) == RGB(255, 255, 255);
        ReleaseDC(WindowOf(page), dc);
        page.EndDialog(common::IDOK);
    };
    RunModal(page, [&] { page.SetTimer(7, 20); });
    EXPECT_GE(ticks, 3);
    // The cell height asked for (not the em height, not the dialog's font); Wine rounds the ascent and the
    // descent of Liberation Sans separately and gives 41.
    EXPECT_NEAR(measured.height, 40, 1);
    EXPECT_GT(measured.width, 40);
    EXPECT_EQ(band, RGB(0, 0, 255));
    EXPECT_EQ(below, RGB(128, 255, 255));
    // The title's strokes cross the band's middle line, drawn without a box of their own.
    EXPECT_GT(white, 4);
    EXPECT_LT(white, measured.width);
}

struct BoxSeen {
    HWND box = nullptr;
    ui::Rect frame;
    bool openAfterEscape = false;
    int step = 0;
};
BoxSeen seen;

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
    wchar_t className[16] = {}, caption[64] = {};
    GetClassNameW(window, className, 16);
    GetWindowTextW(window, caption, 64);
    if (IsWindowVisible(window) && std::wstring(className) == L"#32770" &&
        ui::win32::Utf8(caption) == ui::ApplicationName()) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// From a timer while the box runs: Escape first (a Yes/No box ignores it), then No.
void AnswerBox(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
    if (!box)
        return;
    if (seen.step++ == 0) {
        seen.box = box;
        RECT rect{};
        GetWindowRect(box, &rect);
        seen.frame = FromRect(rect);
        PostKey(VK_ESCAPE);
        return;
    }
    seen.openAfterEscape = box == seen.box;
    SendMessageW(GetDlgItem(box, common::IDNO), BM_CLICK, 0, 0);
}

TEST_F(Win32DialogTest, PagesOpenWhereTheLastOneWasAndWhatOpensOverAPageIsCentredOnIt) {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    std::vector<ui::Rect> frames;
    for (int i = 0; i < 10; ++i) {
        Page page(139);
        RunModal(page, [&] {
            frames.push_back(page.WindowFrame());
            page.EndDialog(common::IDOK);
        });
        EXPECT_FALSE(page.IsVisible());
    }
    ASSERT_EQ(frames.size(), 10u);
    ui::Rect first = frames.front();
    EXPECT_EQ(first.left, work.left + (work.right - work.left - first.width) / 2);
    EXPECT_EQ(first.top, work.top + (work.bottom - work.top - first.height) / 2);
    EXPECT_THAT(frames, ::testing::Each(first));

    // A page the user moved: the next one opens there, and one shown while it finishes stays there.
    Page moved(139);
    RunModal(moved, [&] {
        SetWindowPos(WindowOf(moved), nullptr, 100, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        moved.EndDialog(common::IDOK);
    });
    Page next(140);
    ui::Point opened;
    RunModal(next, [&] {
        opened = next.WindowFrame().TopLeft();
        next.EndDialog(common::IDOK);
    });
    EXPECT_EQ(opened, (ui::Point{100, 60}));
    next.ShowWhileFinishing();
    EXPECT_TRUE(next.IsVisible());
    EXPECT_EQ(next.WindowFrame().TopLeft(), (ui::Point{100, 60}));
    EXPECT_FALSE(next.IsItemEnabled(common::IDOK));
    EXPECT_FALSE(next.IsItemEnabled(1002));

    Page page(139);
    ui::Rect pageFrame, nestedFrame;
    bool pageEnabledUnderNested = true;
    int answer = 0;
    seen = {};
    RunModal(page, [&] {
        pageFrame = page.WindowFrame();
        Page nested(106);
        RunModal(nested, [&] {
            nestedFrame = nested.WindowFrame();
            pageEnabledUnderNested = IsWindowEnabled(WindowOf(page));
            nested.EndDialog(common::IDCANCEL);
        });
        UINT_PTR timer = SetTimer(nullptr, 0, 30, AnswerBox);
        answer = ui::ShowMessageBox("Centred on its page?", common::MB_YESNO, &page);
        KillTimer(nullptr, timer);
        page.EndDialog(common::IDOK);
    });
    EXPECT_EQ(pageFrame.TopLeft(), (ui::Point{100, 60}));
    EXPECT_FALSE(pageEnabledUnderNested);
    auto centre = [](const ui::Rect& r) { return ui::Point{r.left + r.width / 2, r.top + r.height / 2}; };
    EXPECT_NEAR(centre(nestedFrame).x, centre(pageFrame).x, 1);
    EXPECT_NEAR(centre(nestedFrame).y, centre(pageFrame).y, 1);
    ASSERT_NE(seen.box, nullptr);
    EXPECT_NEAR(centre(seen.frame).x, centre(pageFrame).x, 1);
    EXPECT_NEAR(centre(seen.frame).y, centre(pageFrame).y, 1);
    EXPECT_TRUE(seen.openAfterEscape);
    EXPECT_EQ(answer, common::IDNO);
}

} // namespace
