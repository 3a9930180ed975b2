// Writes the showcase views (showcase_scenes.h), as the stand-in paints
// them, as PNG pictures for a person to look at, and says how long each
// took to paint:
//   EarthStandInPictures.exe <folder> [width height]
#include <windows.h>

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

#include "com_types.h"
#include "globe_painter.h"
#include "screenshot.h"
#include "showcase_scenes.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2 && argc != 4) {
    std::wcerr << L"usage: EarthStandInPictures <folder> [width height]\n";
    return 2;
  }
  try {
    const standin::com_apartment apartment(COINIT_APARTMENTTHREADED);
    const std::filesystem::path folder(argv[1]);
    const int width = argc == 4 ? std::wcstol(argv[2], nullptr, 10) : 800;
    const int height = argc == 4 ? std::wcstol(argv[3], nullptr, 10) : 600;
    std::filesystem::create_directories(folder);
    for (const standin::ShowcaseScene& showcase : standin::ShowcaseScenes()) {
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
