// Writes the showcase views (showcase_scenes.h), as the stand-in paints
// them, as PNG pictures for a person to look at, and says how long each
// took to paint; with /More also views between their ranges:
//   EarthStandInPictures.exe <folder> [width height] [/More]
#include <windows.h>

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/com_types.h"
#include "render/embedded_data.h"
#include "render/globe_painter.h"
#include "render/screenshot.h"
#include "showcase_scenes.h"

namespace {

// Between the showcase ranges, and where shores are hard: a harbour
// region's edge, a coast with no harbour shoreline, the date line.
const standin::ShowcaseScene kMoreViews[] = {
    {"malta-50km", standin::ShowcaseCamera(35.93, 14.38, 50e3)},
    {"malta-200km", standin::ShowcaseCamera(36.3, 14.5, 200e3)},
    {"messina-30km-tilt45", standin::ShowcaseCamera(38.2, 15.6, 30e3, 45, 20)},
    {"gibraltar-20km", standin::ShowcaseCamera(36.1, -5.4, 20e3)},
    {"bering-300km", standin::ShowcaseCamera(65.8, -169.5, 300e3)},
    {"horizon", standin::ShowcaseCamera(50, -3, 200e3, 88, 90)},
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const bool more = argc > 2 && std::wstring(argv[argc - 1]) == L"/More";
  if (more) {
    --argc;
  }
  if (argc != 2 && argc != 4) {
    std::wcerr << L"usage: EarthStandInPictures <folder> [width height] [/More]\n";
    return 2;
  }
  try {
    const standin::com_apartment apartment(COINIT_APARTMENTTHREADED);
    const std::filesystem::path folder(argv[1]);
    const int width = argc == 4 ? std::wcstol(argv[2], nullptr, 10) : 800;
    const int height = argc == 4 ? std::wcstol(argv[3], nullptr, 10) : 600;
    std::filesystem::create_directories(folder);
    // Decoded before the first timing.
    (void)standin::EmbeddedCoastlines();
    (void)standin::EmbeddedCoasts();
    (void)standin::EmbeddedSurfaceColours();
    std::vector<standin::ShowcaseScene> views(standin::ShowcaseScenes().begin(),
                                              standin::ShowcaseScenes().end());
    if (more) {
      views.insert(views.end(), std::begin(kMoreViews), std::end(kMoreViews));
    }
    for (const standin::ShowcaseScene& showcase : views) {
      standin::GlobeScene scene;
      scene.camera = showcase.camera;
      const auto start = GetTickCount64();
      const standin::GlobeImage image(width, height, scene);
      std::cout << showcase.name << ": " << GetTickCount64() - start << " ms\n";
      const std::filesystem::path path = folder / (std::string(showcase.name) + ".png");
      standin::WriteScreenShot(path.u16string(), 100, image);
    }
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "EarthStandInPictures: " << error.what() << "\n";
    return 1;
  }
}
