// Model files: JSON text to an in-memory model and back.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "model.h"

namespace varnex2_standin {

// A model file that cannot be used; the message names the place in the file.
struct ModelError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

using Json = nlohmann::ordered_json;

std::unique_ptr<Model> loadModel(const Json& document);
std::unique_ptr<Model> loadModelText(std::string_view text);
std::unique_ptr<Model> loadModelFile(const std::string& path);

// The model's entities and attribute values (without the run section) as JSON.
Json dumpEntities(const Model& model);

// The built-in thermal-fluid network served when no model is loaded.
const char* defaultModelText();

}  // namespace varnex2_standin
