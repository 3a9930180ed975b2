// Reads the waypoints and routes of a GPX 1.1 file. The model is portable;
// the reading itself uses XmlLite (gpx_reader_xmllite.cpp), so it runs on
// Windows and is tested under Wine.
#pragma once

#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace nav {

struct GpxPoint {
  std::string name;  // UTF-8, as in the file
  std::string description;
  double latitude = 0;
  double longitude = 0;
};

struct GpxRoute {
  std::string name;
  std::vector<GpxPoint> points;
};

struct GpxDocument {
  std::vector<GpxPoint> waypoints;
  std::vector<GpxRoute> routes;
};

// A file that is not a GPX document, or not well-formed XML. The message
// names the line (from 1) where the reader stopped.
class GpxError : public std::runtime_error {
 public:
  GpxError(unsigned line, const std::string& what)
      : std::runtime_error("line " + std::to_string(line) + ": " + what), line_(line) {}
  [[nodiscard]] unsigned Line() const { return line_; }

 private:
  unsigned line_;
};

// Throws GpxError for a document it cannot read; std::runtime_error when
// XmlLite itself cannot be set up.
[[nodiscard]] GpxDocument ReadGpx(std::span<const char> document);

}  // namespace nav
