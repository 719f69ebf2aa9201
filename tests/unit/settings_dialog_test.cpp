// The configuration dialog driven as a user would: what it shows, how its
// bars step, and what OK and Cancel write.

#include <algorithm>
#include <fstream>
#include <functional>

#include "host/host_state.h"
#include "host/run_modes.h"
#include "resource_ids.h"
#include "settings/settings_dialog.h"
#include "test_support.h"
#include "version.h"

namespace {

std::string text(HWND dialog, int id) {
  char buffer[64];
  GetDlgItemTextA(dialog, id, buffer, sizeof buffer);
  return buffer;
}

int position(HWND dialog, int bar) { return GetScrollPos(GetDlgItem(dialog, bar), SB_CTL); }

void scroll(HWND dialog, int bar, int request, int thumb = 0) {
  SendMessageA(dialog, WM_HSCROLL, MAKELONG(request, thumb), reinterpret_cast<LPARAM>(GetDlgItem(dialog, bar)));
}

class SettingsDialogTest : public ProfileFileTest {
 protected:
  // Opens the dialog and lets the user act on it.
  int32_t open(std::function<void(HWND)> user) {
    platform::setDialogDriver([&user, this](HWND dialog) {
      if (GetDlgItem(dialog, IDC_STYLE_BAR) == nullptr) {  // the About box, over the dialog
        aboutOwner = GetParent(dialog);
        for (HWND control : platform::childWindows(dialog))
          aboutTexts.push_back(platform::describeWindow(control)->title);
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        return;
      }
      user(dialog);
    });
    return DispatchRunMode(GetModuleHandleA(nullptr), "");
  }
  HWND aboutOwner = nullptr;
  std::vector<std::string> aboutTexts;
};

TEST_F(SettingsDialogTest, WithoutAFileItShowsTheDefaults) {
  EXPECT_EQ(open([](HWND dialog) {
              EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_PATTERNS_CYCLE), BST_CHECKED);
              EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_PATTERNS_RANDOMIZE), BST_UNCHECKED);
              EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_COLORS_CYCLE), BST_CHECKED);
              for (int box : {1037, 1058, 1033, 1002, 1003, 1023}) EXPECT_EQ(IsDlgButtonChecked(dialog, box), 1u);
              EXPECT_EQ(position(dialog, IDC_SPEED_BAR), 20);
              EXPECT_EQ(position(dialog, IDC_STYLE_BAR), 10);
              EXPECT_EQ(text(dialog, IDC_CRISP_SHARE), "90%");
              EXPECT_EQ(text(dialog, IDC_CRAYON_SHARE), "10%");
              SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            }),
            0);
  EXPECT_FALSE(std::ifstream(path).good());  // Cancel writes nothing
}

TEST_F(SettingsDialogTest, BarsStepWithinTheirBoundsAndTheStyleLabelsFollow) {
  open([](HWND dialog) {
    scroll(dialog, IDC_STYLE_BAR, SB_THUMBTRACK, 100);
    EXPECT_EQ(text(dialog, IDC_CRISP_SHARE), "0%");
    EXPECT_EQ(text(dialog, IDC_CRAYON_SHARE), "100%");
    scroll(dialog, IDC_STYLE_BAR, SB_LEFT);
    EXPECT_EQ(position(dialog, IDC_STYLE_BAR), 0);
    scroll(dialog, IDC_SPEED_BAR, SB_LEFT);
    EXPECT_EQ(position(dialog, IDC_SPEED_BAR), 5);
    scroll(dialog, IDC_SPEED_BAR, SB_LINELEFT);
    EXPECT_EQ(position(dialog, IDC_SPEED_BAR), 5);
    scroll(dialog, IDC_SPEED_BAR, SB_RIGHT);
    EXPECT_EQ(position(dialog, IDC_SPEED_BAR), 100);
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  const struct {
    SettingsBar bar;
    int request, from, to;
  } steps[] = {{SettingsBar::Speed, SB_PAGERIGHT, 95, 100}, {SettingsBar::Speed, SB_PAGELEFT, 12, 5},
               {SettingsBar::Speed, SB_LINERIGHT, 20, 22},  {SettingsBar::Style, SB_LINERIGHT, 20, 21},
               {SettingsBar::Style, SB_PAGELEFT, 5, 0},     {SettingsBar::Style, SB_THUMBPOSITION, 33, 33},
               {SettingsBar::Style, SB_ENDSCROLL, 33, 33}};
  for (const auto& step : steps) EXPECT_EQ(scrolledPosition(step.bar, step.request, 0, step.from), step.to);
}

TEST_F(SettingsDialogTest, OkStoresEveryControlAndWritesTheThirtyNineKeys) {
  writeFile(path, "[ScreenSaver.Lumarel]\nPause=0\nPassword Required=5\nTimer interval=300\nMask=7\n");
  EXPECT_EQ(open([](HWND dialog) {
              EXPECT_EQ(position(dialog, IDC_SPEED_BAR), 100);  // shown within the bar's range
              CheckRadioButton(dialog, IDC_PATTERNS_RANDOMIZE, IDC_PATTERNS_CYCLE, IDC_PATTERNS_RANDOMIZE);
              SendDlgItemMessageA(dialog, 1037, BM_SETCHECK, BST_UNCHECKED, 0);
              scroll(dialog, IDC_STYLE_BAR, SB_PAGERIGHT);
              SendMessageA(dialog, WM_COMMAND, IDC_ABOUT, 0);
              SendMessageA(dialog, WM_COMMAND, IDOK, 0);
            }),
            1);
  const std::string saved = readFile(path);
  for (const char* line : {"Pause=0\n", "Password Required=0\n", "Timer interval=100\n", "PercentCrayon=20\n",
                           "Patterns=0\n", "Symmetron=0\n", "Mask=1\n", "No Blue=1\n"})
    EXPECT_NE(saved.find(line), std::string::npos) << line;
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 40);  // the section line and 39 keys
  EXPECT_NE(aboutOwner, nullptr);
  // The About box names the release that the build was made as.
  EXPECT_NE(std::find(aboutTexts.begin(), aboutTexts.end(), "Version " LUMAREL_VERSION), aboutTexts.end());
}

}  // namespace
