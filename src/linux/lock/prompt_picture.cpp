#include "prompt_picture.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <stdexcept>
#include <string>

namespace {

// The layout at scale 1, in logical pixels.
constexpr int boxWidth = 320;
constexpr int boxHeight = 104;
constexpr double boxRadius = 14;
constexpr double fieldInset = 20;  // the field's left, right and top margins
constexpr double fieldHeight = 34;
constexpr double fieldRadius = 8;
constexpr double markPitch = 18;  // from one dot's centre to the next
constexpr double markRadius = 5;
constexpr double leastMarkPitch = 4;  // below it dots blur into a line
constexpr double statusTop = 64;
constexpr const char* statusFont = "Sans 11";

struct Color {
  double red, green, blue, alpha;
};
constexpr Color boxColor{0.07, 0.07, 0.09, 0.80};
constexpr Color edgeColor{1, 1, 1, 0.14};
constexpr Color fieldColor{1, 1, 1, 0.08};
constexpr Color markColor{0.96, 0.96, 0.98, 1};
constexpr Color waitingMarkColor{0.96, 0.96, 0.98, 0.45};
constexpr Color hintColor{0.78, 0.78, 0.82, 0.75};
constexpr Color checkingColor{0.92, 0.92, 0.96, 1};
constexpr Color wrongColor{1, 0.56, 0.52, 1};

void checkScale(int scale120) {
  if (scale120 < leastPromptScale || scale120 > greatestPromptScale)
    throw std::invalid_argument("prompt scale " + std::to_string(scale120) + "/120 is outside " +
                                std::to_string(leastPromptScale) + ".." + std::to_string(greatestPromptScale));
}

int scaled(int length, int scale120) { return (length * scale120 + 60) / 120; }

void setColor(cairo_t* cairo, const Color& color) {
  cairo_set_source_rgba(cairo, color.red, color.green, color.blue, color.alpha);
}

void roundedBox(cairo_t* cairo, double x, double y, double width, double height, double radius) {
  constexpr double quarter = std::numbers::pi / 2;
  cairo_new_sub_path(cairo);
  cairo_arc(cairo, x + width - radius, y + radius, radius, -quarter, 0);
  cairo_arc(cairo, x + width - radius, y + height - radius, radius, 0, quarter);
  cairo_arc(cairo, x + radius, y + height - radius, radius, quarter, 2 * quarter);
  cairo_arc(cairo, x + radius, y + radius, radius, 2 * quarter, 3 * quarter);
  cairo_close_path(cairo);
}

// One dot a mark, centred in the field; closer and smaller when many, and
// only as many as fit once they are as close as they go.
void drawMarks(cairo_t* cairo, size_t marks, double fieldWidth, const Color& color) {
  if (marks == 0) return;
  const double room = fieldWidth - markPitch;  // half a pitch clear at either end
  if (room < leastMarkPitch) return;
  const auto fitting = static_cast<size_t>(std::floor(room / leastMarkPitch));
  const size_t shown = std::min(marks, fitting);
  const double pitch = std::min(markPitch, room / static_cast<double>(shown));
  const double radius = std::min(markRadius, pitch * 0.3);
  double x = fieldInset + fieldWidth / 2 - pitch * static_cast<double>(shown - 1) / 2;
  const double y = fieldInset + fieldHeight / 2;
  setColor(cairo, color);
  for (size_t i = 0; i < shown; ++i, x += pitch) {
    cairo_new_sub_path(cairo);
    cairo_arc(cairo, x, y, radius, 0, 2 * std::numbers::pi);
  }
  cairo_fill(cairo);
}

struct StatusLine {
  const char* text;
  Color color;
};

StatusLine statusLine(PasswordPrompt::Status status, size_t marks) {
  switch (status) {
    case PasswordPrompt::Status::Checking:
      return {"Checking...", checkingColor};
    case PasswordPrompt::Status::Wrong:
      return {"Wrong password", wrongColor};
    default:
      return {marks == 0 ? "Type your password" : "Enter to unlock", hintColor};
  }
}

void drawStatusLine(cairo_t* cairo, const StatusLine& line, double width) {
  std::unique_ptr<PangoLayout, decltype(&g_object_unref)> layout(pango_cairo_create_layout(cairo), g_object_unref);
  // Grey antialiasing (colour fringes would show on a translucent box) and
  // no hinted metrics, so that the line keeps its shape at every scale.
  std::unique_ptr<cairo_font_options_t, decltype(&cairo_font_options_destroy)> options(cairo_font_options_create(),
                                                                                       cairo_font_options_destroy);
  cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_SLIGHT);
  pango_cairo_context_set_font_options(pango_layout_get_context(layout.get()), options.get());
  pango_layout_context_changed(layout.get());

  std::unique_ptr<PangoFontDescription, decltype(&pango_font_description_free)> font(
      pango_font_description_from_string(statusFont), pango_font_description_free);
  pango_layout_set_font_description(layout.get(), font.get());
  pango_layout_set_text(layout.get(), line.text, -1);
  pango_layout_set_width(layout.get(), static_cast<int>((width - 2 * fieldInset) * PANGO_SCALE));
  pango_layout_set_ellipsize(layout.get(), PANGO_ELLIPSIZE_END);
  pango_layout_set_alignment(layout.get(), PANGO_ALIGN_CENTER);
  setColor(cairo, line.color);
  cairo_move_to(cairo, fieldInset, statusTop);
  pango_cairo_show_layout(cairo, layout.get());
}

}  // namespace

PromptSize promptSize(int scale120) {
  checkScale(scale120);
  return {scaled(boxWidth, scale120), scaled(boxHeight, scale120)};
}

void drawPrompt(PasswordPrompt::Status status, size_t marks, int scale120, uint32_t* pixels, int width, int height,
                int stride) {
  checkScale(scale120);
  if (pixels == nullptr || width <= 0 || height <= 0)
    throw std::invalid_argument("the prompt needs pixels to draw into");
  if (width > 32767 || height > 32767 ||  // Cairo's largest
      stride / 4 < width || stride % 4 != 0)
    throw std::invalid_argument("a prompt of " + std::to_string(width) + "x" + std::to_string(height) +
                                " pixels does not fit rows of " + std::to_string(stride) + " bytes");

  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
      cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels), CAIRO_FORMAT_ARGB32, width, height,
                                          stride),
      cairo_surface_destroy);
  std::unique_ptr<cairo_t, decltype(&cairo_destroy)> owned(cairo_create(surface.get()), cairo_destroy);
  cairo_t* cairo = owned.get();

  cairo_set_operator(cairo, CAIRO_OPERATOR_CLEAR);
  cairo_paint(cairo);
  cairo_set_operator(cairo, CAIRO_OPERATOR_OVER);
  if (status != PasswordPrompt::Status::Hidden) {
    // Laid out in logical pixels; Cairo scales the shapes and Pango the
    // glyphs to the device, so both stay sharp at 1.5 and 2.
    const double scale = scale120 / 120.0;
    cairo_scale(cairo, scale, scale);
    const double logicalWidth = width / scale;
    const double logicalHeight = height / scale;

    roundedBox(cairo, 0.5, 0.5, logicalWidth - 1, logicalHeight - 1, boxRadius);
    setColor(cairo, boxColor);
    cairo_fill_preserve(cairo);
    setColor(cairo, edgeColor);
    cairo_set_line_width(cairo, 1);
    cairo_stroke(cairo);

    const double fieldWidth = logicalWidth - 2 * fieldInset;
    roundedBox(cairo, fieldInset, fieldInset, fieldWidth, fieldHeight, fieldRadius);
    setColor(cairo, fieldColor);
    cairo_fill(cairo);
    drawMarks(cairo, marks, fieldWidth, status == PasswordPrompt::Status::Checking ? waitingMarkColor : markColor);
    drawStatusLine(cairo, statusLine(status, marks), logicalWidth);
  }
  cairo_surface_flush(surface.get());
  if (cairo_status(cairo) != CAIRO_STATUS_SUCCESS)
    throw std::runtime_error(std::string("drawing the prompt failed: ") + cairo_status_to_string(cairo_status(cairo)));
}
