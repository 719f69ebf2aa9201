// What the headless renderer draws is exactly what the trace lists, drawn.

#include <sstream>

#include "linux/headless_saver.h"
#include "linux/raster_device.h"
#include "raster/curves.h"
#include "test_support.h"

namespace {

// Replays a drawing-call trace onto a framebuffer.
Framebuffer replay(const std::vector<std::string>& trace, int width, int height) {
  Framebuffer image(width, height);
  uint32_t colour = 0;
  int64_t originX = 0, originY = 0;
  for (const std::string& line : trace) {
    std::istringstream fields(line);
    std::string event;
    fields >> event;
    std::vector<int64_t> v;
    if (event == "erase" || event == "pen") {
      std::string hex;
      fields >> hex;
      const uint32_t value = pixelFromColorRef(static_cast<uint32_t>(std::stoul(hex, nullptr, 16)));
      if (event == "erase") image.fill(0, 0, width, height, value);
      colour = value;
      continue;
    }
    for (int64_t value; fields >> value;) v.push_back(value);
    if (event == "org") {
      originX = v[0];
      originY = v[1];
    } else if (event == "arc") {
      drawArc(image, {v[0] + originX, v[1] + originY}, {v[2] + originX, v[3] + originY},
              {v[4] + originX, v[5] + originY}, {v[6] + originX, v[7] + originY}, colour);
    } else if (event == "bez") {
      const RasterPoint points[4] = {{v[0], v[1]}, {v[2], v[3]}, {v[4], v[5]}, {v[6], v[7]}};
      drawBezier(image, points, colour, {originX, originY});
    }
  }
  return image;
}

class RenderTest : public SaverTest {};

TEST_F(RenderTest, TheRenderedPictureIsTheTraceDrawn) {
  for (const char* crayon : {"0", "100"}) {
    const TemporarySettings settingsFile("", {{{"PercentCrayon", crayon}, {"Timer interval", "7"}}});
    resetSaverProcess();
    RasterDevice* device = nullptr;
    startHeadlessSaver(HeadlessScenario{77, 320, 200, settingsFile.path()}, [&device](HWND) {
      auto made = std::make_unique<RasterDevice>();
      device = made.get();
      return made;
    });
    runHeadlessTicks(1500, nullptr);
    const Framebuffer rendered = device->framebuffer();

    resetSaverProcess();
    startSaver(320, 200, 77, settingsFile.path());
    runHeadlessTicks(1500, nullptr);
    const Framebuffer replayed = replay(takeTrace(), 320, 200);
    int differing = 0;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 320; ++x) differing += rendered.pixel(x, y) != replayed.pixel(x, y);
    EXPECT_EQ(differing, 0) << "crayon " << crayon;
  }
}

}  // namespace
