#include "gtk_dialog.h"

#include <glib-unix.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "linux/desktop/close_signals.h"

namespace {

enum class Kind { PushButton, CheckBox, RadioButton, GroupBox, Label, Frame, ScrollBar };

struct Control {
  HWND window;
  int id;
  Kind kind;
  int group;  // controls from one WS_GROUP control to the next: a radio group
  GtkWidget* widget;
};

struct ShownDialog {
  HWND dialog = nullptr;
  GtkWidget* window = nullptr;
  std::vector<Control> controls;
  bool syncing = false;  // widgets being set from the dialog, not by the user
};

Kind kindOf(const platform::WindowDescription& control) {
  if (control.className == "ScrollBar") return Kind::ScrollBar;
  if (control.className == "Static") return (control.style & 0x1F) == SS_BLACKFRAME ? Kind::Frame : Kind::Label;
  switch (control.style & 0xF) {
    case BS_AUTOCHECKBOX:
      return Kind::CheckBox;
    case BS_AUTORADIOBUTTON:
      return Kind::RadioButton;
    case BS_GROUPBOX:
      return Kind::GroupBox;
    default:
      return Kind::PushButton;
  }
}

// "&x" marks a mnemonic and "&&" is an ampersand; GTK marks with "_".
std::string mnemonicText(const std::string& text) {
  std::string converted;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) {
      converted += text[i + 1] == '&' ? "&" : "_";
      if (text[i + 1] == '&') ++i;
    } else {
      converted += text[i] == '_' ? "__" : std::string(1, text[i]);
    }
  }
  return converted;
}

// The text as a static or a frame shows it: "&x" is x, "&&" an ampersand.
std::string plainText(const std::string& text) {
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    plain += text[i];
  }
  return plain;
}

// The dialog manager lays controls out for a font 6 pixels wide and 13 high
// on average; GTK's font sets the scale, as the dialog font would.
void fontScale(GtkWidget* widget, double& x, double& y) {
  PangoLayout* layout = gtk_widget_create_pango_layout(widget, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  int width = 0, height = 0;
  pango_layout_get_pixel_size(layout, &width, &height);
  g_object_unref(layout);
  x = width > 0 ? (width / 52.0) / 6.0 : 1.0;
  y = height > 0 ? height / 13.0 : 1.0;
}

// Shows the dialog's state in the widgets: texts, checks, bar positions.
void showState(ShownDialog& shown) {
  shown.syncing = true;
  for (const Control& control : shown.controls) {
    switch (control.kind) {
      case Kind::CheckBox:
      case Kind::RadioButton:
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(control.widget),
                                     SendMessageA(control.window, BM_GETCHECK, 0, 0) == BST_CHECKED);
        break;
      case Kind::Label:
        gtk_label_set_text(GTK_LABEL(control.widget),
                           plainText(platform::describeWindow(control.window)->title).c_str());
        break;
      case Kind::ScrollBar:
        gtk_range_set_value(GTK_RANGE(control.widget), GetScrollPos(control.window, SB_CTL));
        break;
      default:
        break;
    }
  }
  shown.syncing = false;
}

void command(ShownDialog& shown, int id, HWND control) {
  SendMessageA(shown.dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
  showState(shown);
}

std::function<void()> gtkStarted;
bool cancelRequested = false;

struct Binding {
  ShownDialog* shown;
  size_t index;
};

void onToggled(GtkToggleButton* button, gpointer data) {
  auto* binding = static_cast<Binding*>(data);
  ShownDialog& shown = *binding->shown;
  if (shown.syncing) return;
  const Control& control = shown.controls[binding->index];
  const bool active = gtk_toggle_button_get_active(button);
  if (control.kind == Kind::RadioButton) {
    // An automatic radio button checks itself and clears its group.
    if (!active) return;
    for (size_t i = 0; i < shown.controls.size(); ++i)
      if (shown.controls[i].kind == Kind::RadioButton && shown.controls[i].group == control.group)
        SendMessageA(shown.controls[i].window, BM_SETCHECK, i == binding->index ? BST_CHECKED : BST_UNCHECKED, 0);
  } else {
    SendMessageA(control.window, BM_SETCHECK, active ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  command(shown, control.id, control.window);
}

void onClicked(GtkButton*, gpointer data) {
  auto* binding = static_cast<Binding*>(data);
  const Control& control = binding->shown->controls[binding->index];
  command(*binding->shown, control.id, control.window);
}

// GTK's scroll requests as the scroll bar's notifications.
gboolean onChangeValue(GtkRange*, GtkScrollType scroll, gdouble value, gpointer data) {
  auto* binding = static_cast<Binding*>(data);
  ShownDialog& shown = *binding->shown;
  const Control& control = shown.controls[binding->index];
  int request = -1;
  switch (scroll) {
    case GTK_SCROLL_STEP_BACKWARD:
    case GTK_SCROLL_STEP_LEFT:
    case GTK_SCROLL_STEP_UP:
      request = SB_LINELEFT;
      break;
    case GTK_SCROLL_STEP_FORWARD:
    case GTK_SCROLL_STEP_RIGHT:
    case GTK_SCROLL_STEP_DOWN:
      request = SB_LINERIGHT;
      break;
    case GTK_SCROLL_PAGE_BACKWARD:
    case GTK_SCROLL_PAGE_LEFT:
    case GTK_SCROLL_PAGE_UP:
      request = SB_PAGELEFT;
      break;
    case GTK_SCROLL_PAGE_FORWARD:
    case GTK_SCROLL_PAGE_RIGHT:
    case GTK_SCROLL_PAGE_DOWN:
      request = SB_PAGERIGHT;
      break;
    case GTK_SCROLL_START:
      request = SB_LEFT;
      break;
    case GTK_SCROLL_END:
      request = SB_RIGHT;
      break;
    case GTK_SCROLL_JUMP:
      request = SB_THUMBTRACK;
      break;
    default:
      break;
  }
  if (request >= 0) {
    const int position = std::max(0, static_cast<int>(value + 0.5));
    SendMessageA(shown.dialog, WM_HSCROLL, MAKEWPARAM(request, position), reinterpret_cast<LPARAM>(control.window));
  }
  showState(shown);
  return TRUE;  // the dialog procedure decides where the bar goes
}

gboolean onDelete(GtkWidget*, GdkEvent*, gpointer data) {
  auto* shown = static_cast<ShownDialog*>(data);
  SendMessageA(shown->dialog, WM_CLOSE, 0, 0);
  showState(*shown);
  return TRUE;
}

// Enter means OK and Esc Cancel, unless a push button has the focus.
gboolean onKeyPress(GtkWidget* window, GdkEventKey* event, gpointer data) {
  auto* shown = static_cast<ShownDialog*>(data);
  GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(window));
  const bool onPushButton = focus && GTK_IS_BUTTON(focus) && !GTK_IS_TOGGLE_BUTTON(focus);
  if (event->keyval == GDK_KEY_Escape) {
    command(*shown, IDCANCEL, GetDlgItem(shown->dialog, IDCANCEL));
    return TRUE;
  }
  if ((event->keyval == GDK_KEY_Return || event->keyval == GDK_KEY_KP_Enter) && !onPushButton) {
    command(*shown, IDOK, GetDlgItem(shown->dialog, IDOK));
    return TRUE;
  }
  return FALSE;
}

GtkWidget* makeScrollBar(HWND control) {
  int minimum = 0, maximum = 100;
  GetScrollRange(control, SB_CTL, &minimum, &maximum);
  GtkWidget* scale = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, minimum, std::max(minimum + 1, maximum), 1);
  gtk_scale_set_draw_value(GTK_SCALE(scale), FALSE);
  return scale;
}

GtkWidget* makeWidget(HWND control, const platform::WindowDescription& description, Kind kind, GtkWidget*& radioGroup) {
  const std::string text = mnemonicText(description.title);
  switch (kind) {
    case Kind::PushButton:
      return gtk_button_new_with_mnemonic(text.c_str());
    case Kind::CheckBox:
      return gtk_check_button_new_with_mnemonic(text.c_str());
    case Kind::RadioButton:
      radioGroup = radioGroup
                       ? gtk_radio_button_new_with_mnemonic_from_widget(GTK_RADIO_BUTTON(radioGroup), text.c_str())
                       : gtk_radio_button_new_with_mnemonic(nullptr, text.c_str());
      return radioGroup;
    case Kind::GroupBox:
      return gtk_frame_new(plainText(description.title).c_str());
    case Kind::Frame: {
      const RECT& r = description.rect;
      if (r.right - r.left <= 2) return gtk_separator_new(GTK_ORIENTATION_VERTICAL);
      if (r.bottom - r.top <= 2) return gtk_separator_new(GTK_ORIENTATION_HORIZONTAL);
      return gtk_frame_new(nullptr);
    }
    case Kind::Label: {
      GtkWidget* label = gtk_label_new(plainText(description.title).c_str());
      const DWORD align = description.style & 0x1F;
      gtk_label_set_xalign(GTK_LABEL(label), align == SS_CENTER ? 0.5f : align == SS_RIGHT ? 1.0f : 0.0f);
      gtk_label_set_yalign(GTK_LABEL(label), 0.0f);
      return label;
    }
    case Kind::ScrollBar:
      return makeScrollBar(control);
  }
  return nullptr;
}

std::vector<ShownDialog*> openDialogs;

}  // namespace

void showGtkDialog(HWND dialog) {
  static const bool ready = [] {
    const bool started = gtk_init_check(nullptr, nullptr);
    if (started && gtkStarted) gtkStarted();
    return started;
  }();
  const auto description = platform::describeWindow(dialog);
  if (!ready || !description) {
    std::fprintf(stderr, "lumarel: cannot show the dialog (GTK cannot open the display)\n");
    EndDialog(dialog, -1);
    return;
  }
  ShownDialog shown;
  shown.dialog = dialog;
  shown.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* window = GTK_WINDOW(shown.window);
  gtk_window_set_title(window, description->title.c_str());
  gtk_window_set_resizable(window, FALSE);
  gtk_window_set_position(window, GTK_WIN_POS_CENTER);
  if (!openDialogs.empty()) {
    gtk_window_set_transient_for(window, GTK_WINDOW(openDialogs.back()->window));
    gtk_window_set_modal(window, TRUE);
  }
  double scaleX = 1, scaleY = 1;
  fontScale(shown.window, scaleX, scaleY);
  GtkWidget* fixed = gtk_fixed_new();
  const RECT& area = description->rect;
  gtk_widget_set_size_request(fixed, static_cast<int>((area.right - area.left) * scaleX),
                              static_cast<int>((area.bottom - area.top) * scaleY));
  gtk_container_add(GTK_CONTAINER(shown.window), fixed);

  // Group boxes and frames first, so that the controls they frame lie on top.
  const std::vector<HWND> children = platform::childWindows(dialog);
  std::vector<Binding> bindings;
  bindings.reserve(children.size());
  GtkWidget* radioGroup = nullptr;
  int group = 0;
  for (bool framesPass : {true, false}) {
    for (HWND child : children) {
      const auto control = platform::describeWindow(child);
      const Kind kind = kindOf(*control);
      if (framesPass != (kind == Kind::GroupBox || kind == Kind::Frame)) continue;
      if (!framesPass && (control->style & WS_GROUP)) {
        ++group;
        radioGroup = nullptr;
      }
      GtkWidget* widget = makeWidget(child, *control, kind, radioGroup);
      const RECT& r = control->rect;
      gtk_widget_set_size_request(widget, std::max(1, static_cast<int>((r.right - r.left) * scaleX)),
                                  std::max(1, static_cast<int>((r.bottom - r.top) * scaleY)));
      gtk_fixed_put(GTK_FIXED(fixed), widget, static_cast<int>(r.left * scaleX), static_cast<int>(r.top * scaleY));
      shown.controls.push_back(Control{child, control->id, kind, group, widget});
      bindings.push_back(Binding{&shown, shown.controls.size() - 1});
      Binding* binding = &bindings.back();
      switch (kind) {
        case Kind::CheckBox:
        case Kind::RadioButton:
          g_signal_connect(widget, "toggled", G_CALLBACK(onToggled), binding);
          break;
        case Kind::PushButton:
          g_signal_connect(widget, "clicked", G_CALLBACK(onClicked), binding);
          if ((control->style & 0xF) == BS_DEFPUSHBUTTON) {
            gtk_widget_set_can_default(widget, TRUE);
            gtk_window_set_default(window, widget);
          }
          break;
        case Kind::ScrollBar:
          g_signal_connect(widget, "change-value", G_CALLBACK(onChangeValue), binding);
          break;
        default:
          break;
      }
    }
  }
  g_signal_connect(shown.window, "delete-event", G_CALLBACK(onDelete), &shown);
  g_signal_connect(shown.window, "key-press-event", G_CALLBACK(onKeyPress), &shown);
  showState(shown);
  gtk_widget_show_all(shown.window);
  gtk_window_present(window);  // the keyboard goes to the dialog just opened

  // A close signal cancels every open dialog, the innermost first.
  closeSignals::watchInMainContext();
  closeSignals::onArrival(
      &openDialogs, +[](void*) { cancelRequested = true; }, nullptr);
  openDialogs.push_back(&shown);
  while (!platform::dialogEnded(dialog)) {
    if (cancelRequested) {
      command(shown, IDCANCEL, GetDlgItem(dialog, IDCANCEL));
      if (!platform::dialogEnded(dialog)) EndDialog(dialog, IDCANCEL);  // a box without Cancel
      break;
    }
    gtk_main_iteration();
  }
  openDialogs.pop_back();
  if (openDialogs.empty()) closeSignals::forget(&openDialogs);
  gtk_widget_destroy(shown.window);
  if (!openDialogs.empty()) gtk_window_present(GTK_WINDOW(openDialogs.back()->window));
  while (gtk_events_pending()) gtk_main_iteration();
}

void whenGtkStarts(std::function<void()> started) { gtkStarted = std::move(started); }
