// Model files: JSON text to an in-memory model and back.
#pragma once

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "model.h"

namespace varnex2_standin {

// A model file that cannot be used; the message names the place in the file.
struct ModelError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

using Json = nlohmann::ordered_json;

// The value of "format" in model files (optional when reading).
inline constexpr char kFormat[] = "varnex2-standin-model/1";

// Attributes nest at most this many levels below their root entity; the JSON text at most
// kMaxJsonDepth levels (what a model at the attribute limit needs, and a little more).
// Deeper input is refused before anything recurses over it.
constexpr int kMaxNesting = 256;
constexpr int kMaxJsonDepth = 2 * kMaxNesting + 8;
// A model file is read only up to this size.
constexpr std::size_t kMaxFileBytes = std::size_t(1) << 30;

// Loading stops at the first problem and throws ModelError naming its place.
std::unique_ptr<Model> loadModelText(std::string_view text);
std::unique_ptr<Model> loadModelFile(const std::string& path);
// Every problem that loading would meet, in the order met ("place: what"); empty when the
// model loads. The first is the message that loading gives (for a file, without the path
// in front). Text that is not valid JSON, or nested too deep, gives only that problem.
std::vector<std::string> checkModelText(std::string_view text);
std::vector<std::string> checkModelFile(const std::string& path);

// The model's entities and attribute values (without the run section) as JSON.
Json dumpEntities(const Model& model);

// The built-in thermal-fluid network served when no model is loaded.
const char* defaultModelText();

}  // namespace varnex2_standin
