// The driver of the export-sequence fuzzer: one session of a host against
// the fakes. Each step is an export called through the package's real ABI
// layer (src/core/abi), or something the host, the system or Google Earth
// does; host callbacks and calls that arrive while the package waits for
// Google Earth run further steps inside the running one.
#pragma once

#include <string>
#include <vector>

#include "abi/abi.h"
#include "fake_platform.h"
#include "operations.h"

namespace zge::fuzzing {

class Session {
 public:
  explicit Session(FuzzedDataProvider& data);
  // Up to 200 steps, each followed by the invariants, then Finish().
  void Run();

 private:
  void Step(Op op, int depth);
  // The host's calls; false for the operations that are not exports.
  bool Export(Op op);
  void Lifecycle(Op op);
  void Overlays(Op op);
  void Features(Op op);
  void Camera(Op op);
  void Pictures(Op op);
  void Additions(Op op);
  void Lists(Op op);
  void Event(Op op);
  void GoogleEarthEvent(Op op);

  void Nested(Op op);
  LoadedEvent LoadedCallback();
  void AddHostWindow();
  void AddEarthWindows();
  abi::ListHandle AnyList();
  void Finish();

  FuzzedDataProvider& data_;
  Arguments in_;
  fakes::FakePlatform f_;
  WindowHandle host_ = kNoWindow;
  WindowHandle earthMain_ = kNoWindow;
  WindowHandle earthContainer_ = kNoWindow;
  WindowHandle earthRender_ = kNoWindow;
  std::string userLocale_;
  // Every list handle the host was given, kept after its panel went.
  std::vector<abi::ListHandle> lists_;
  bool earthDead_ = false;
  int loadedEvents_ = 0;
  int nesting_ = 0;
};

}  // namespace zge::fuzzing
