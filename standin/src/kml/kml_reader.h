// Reads a KML document with XmlLite into feature nodes (kml_builder.h).
//
// A document is accepted when it is well-formed XML whose root element is
// <kml> (in any KML namespace, or in none) and holds a feature. Anything
// else fails with E_INVALIDARG and a message naming the line and column:
//   "<context>: invalid KML at line L, column C: <reason>"
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "kml/kml_builder.h"
#include "model/feature_tree.h"

namespace standin {

// Text handed over as UTF-16 (LoadKmlData): parsed as UTF-8 bytes, whatever
// encoding its XML declaration names.
[[nodiscard]] std::shared_ptr<FeatureNode> ReadKmlText(std::u16string_view text,
                                                       const std::string& context);

// The bytes of a file, in the encoding that its byte order mark or XML
// declaration names (UTF-8 without either).
[[nodiscard]] std::shared_ptr<FeatureNode> ReadKmlBytes(std::span<const std::byte> bytes,
                                                        const std::string& context);

// The same, finding what the document refers to (styles of other files,
// images, linked documents) through `resources`.
[[nodiscard]] std::shared_ptr<FeatureNode> ReadKmlText(std::u16string_view text,
                                                       const std::string& context,
                                                       KmlResources& resources);
[[nodiscard]] std::shared_ptr<FeatureNode> ReadKmlBytes(std::span<const std::byte> bytes,
                                                        const std::string& context,
                                                        KmlResources& resources);

// A file's shared styles by id (StyleMaps resolved to their normal style),
// for "file.kml#id". Throws as ReadKmlBytes does for a malformed file.
[[nodiscard]] std::unordered_map<std::u16string, KmlStyle> ReadKmlStyles(
    std::span<const std::byte> bytes, const std::string& context);

}  // namespace standin
