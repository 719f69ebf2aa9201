// The configuration dialog driven as a user would: what it shows, how its
// bars step, and what OK and Cancel write.

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "host/host_state.h"
#include "host/run_modes.h"
#include "resource_ids.h"
#include "settings/settings_dialog.h"
#include "test_support.h"
#include "version.h"

namespace {

std::string text(HWND dialog, int id) {
  char buffer[512];
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
      if (GetDlgItem(dialog, IDC_STYLE_BAR) == nullptr) {  // a box over the dialog: About or a message
        const HWND owner = GetParent(dialog);
        char caption[64], ownerCaption[64];
        GetWindowTextA(dialog, caption, sizeof caption);
        GetWindowTextA(owner, ownerCaption, sizeof ownerCaption);
        if (std::string(caption) == ownerCaption) {
          for (HWND control : platform::childWindows(dialog))
            if (platform::describeWindow(control)->className == "Static") messages.push_back(text(dialog, -1));
        } else {
          aboutOwner = owner;
          for (HWND control : platform::childWindows(dialog))
            aboutTexts.push_back(platform::describeWindow(control)->title);
        }
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        return;
      }
      user(dialog);
    });
    return DispatchRunMode(GetModuleHandleA(nullptr), "");
  }
  HWND aboutOwner = nullptr;
  std::vector<std::string> aboutTexts;
  std::vector<std::string> messages;  // the message boxes shown over the dialog
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
  } steps[] = {{SettingsBar::Speed, SB_PAGERIGHT, 95, 100},    {SettingsBar::Speed, SB_PAGELEFT, 12, 5},
               {SettingsBar::Speed, SB_LINERIGHT, 20, 22},     {SettingsBar::Speed, SB_LINERIGHT, 99, 100},
               {SettingsBar::Style, SB_LINERIGHT, 20, 21},     {SettingsBar::Style, SB_PAGELEFT, 5, 0},
               {SettingsBar::Style, SB_THUMBPOSITION, 33, 33}, {SettingsBar::Style, SB_ENDSCROLL, 33, 33}};
  for (const auto& step : steps) EXPECT_EQ(scrolledPosition(step.bar, step.request, 0, step.from), step.to);
}

TEST_F(SettingsDialogTest, OkStoresEveryControlAndWritesEveryKey) {
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
  // The section line, Pause, Password Required, Timer interval, PercentCrayon and the flags.
  EXPECT_EQ(static_cast<size_t>(std::count(saved.begin(), saved.end(), '\n')),
            5 + patternKeys.size() + colorSetKeys.size());
  EXPECT_NE(aboutOwner, nullptr);
  // The About box names the release that the build was made as.
  EXPECT_NE(std::find(aboutTexts.begin(), aboutTexts.end(), "Version " LUMAREL_VERSION), aboutTexts.end());
}

// Each list's radio pair shows and stores its own mode, also where the two differ.
TEST_F(SettingsDialogTest, ThePatternAndColourListsKeepModesOfTheirOwn) {
  for (const bool patternsCycle : {true, false}) {
    const bool colorsCycle = !patternsCycle;
    writeFile(path, "[ScreenSaver.Lumarel]\nPatterns=" + std::to_string(patternsCycle) +
                        "\nColor Sets=" + std::to_string(colorsCycle) + "\n");
    EXPECT_EQ(open([&](HWND dialog) {
                EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_PATTERNS_CYCLE), patternsCycle ? 1u : 0u);
                EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_PATTERNS_RANDOMIZE), patternsCycle ? 0u : 1u);
                EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_COLORS_CYCLE), colorsCycle ? 1u : 0u);
                EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_COLORS_RANDOMIZE), colorsCycle ? 0u : 1u);
                SendMessageA(dialog, WM_COMMAND, IDOK, 0);
              }),
              1);
    const std::string saved = readFile(path);
    EXPECT_NE(saved.find("\nPatterns=" + std::to_string(patternsCycle) + "\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\nColor Sets=" + std::to_string(colorsCycle) + "\n"), std::string::npos) << saved;
  }
}

// Every check box, the key it stands for and the text the template gives it.
struct CheckBox {
  int box;
  const char* key;
  const char* label;
};

std::vector<CheckBox> tabledCheckBoxes() {
  std::vector<CheckBox> boxes;
  for (const PatternEntry& pattern : patternTable) boxes.push_back({pattern.checkBox, pattern.key, pattern.label});
  for (const ColorSetEntry& colorSet : colorSetTable) boxes.push_back({colorSet.checkBox, colorSet.key, colorSet.key});
  return boxes;
}

TEST_F(SettingsDialogTest, EachCheckBoxShowsItsLabelAndShowsAndStoresItsOwnKey) {
  const std::vector<CheckBox> checkBoxKeys = tabledCheckBoxes();
  for (const auto& entry : checkBoxKeys) {
    std::string file = "[ScreenSaver.Lumarel]\n";
    for (const auto& other : checkBoxKeys) file += std::string(other.key) + (&other == &entry ? "=1\n" : "=0\n");
    writeFile(path, file);
    // Shown: only this box is checked. Stored: turned off, only this key changes.
    EXPECT_EQ(open([&](HWND dialog) {
                EXPECT_EQ(text(dialog, entry.box), entry.label) << entry.key;
                for (const auto& other : checkBoxKeys)
                  EXPECT_EQ(IsDlgButtonChecked(dialog, other.box), &other == &entry ? 1u : 0u)
                      << entry.key << " shown, box " << other.box;
                SendDlgItemMessageA(dialog, entry.box, BM_SETCHECK, BST_UNCHECKED, 0);
                SendDlgItemMessageA(dialog, entry.box == 1037 ? 1010 : 1037, BM_SETCHECK, BST_CHECKED, 0);
                SendMessageA(dialog, WM_COMMAND, IDOK, 0);
              }),
              1);
    const std::string saved = readFile(path);
    const char* turnedOn = entry.box == 1037 ? "Mask" : "Symmetron";
    for (const auto& other : checkBoxKeys) {
      const std::string line = "\n" + std::string(other.key) + (other.key == std::string(turnedOn) ? "=1\n" : "=0\n");
      EXPECT_NE(saved.find(line), std::string::npos) << entry.key << " stored, " << line;
    }
  }
}

TEST_F(SettingsDialogTest, AFailedSaveSaysWhyAndKeepsTheDialogOpenUntilOkSucceedsOrCancel) {
  const std::string before = "[ScreenSaver.Lumarel]\nMask=0\n";
  writeFile(path, before);
  chmod(path.c_str(), 0444);
  int oks = 0;
  EXPECT_EQ(open([&](HWND dialog) {
              SendMessageA(dialog, WM_COMMAND, IDOK, 0);
              ++oks;
              EXPECT_FALSE(platform::dialogEnded(dialog));
              ASSERT_EQ(messages.size(), 1u);
              EXPECT_EQ(messages[0], "The settings could not be saved in " + path + ".\n\nAccess is denied.");
              chmod(path.c_str(), 0644);  // OK again, once the file can be written
              SendMessageA(dialog, WM_COMMAND, IDOK, 0);
              ++oks;
            }),
            1);
  EXPECT_EQ(oks, 2);
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_NE(readFile(path).find("Mask=0\nPause=1\n"), std::string::npos);

  writeFile(path, before);
  chmod(path.c_str(), 0444);
  messages.clear();
  EXPECT_EQ(open([](HWND dialog) {
              SendMessageA(dialog, WM_COMMAND, IDOK, 0);
              SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            }),
            0);
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_EQ(readFile(path), before);
}

}  // namespace
