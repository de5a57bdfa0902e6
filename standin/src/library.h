// Process-wide state of the stand-in library: the current model, the run, the solver
// manager and entity collection objects, and the models that were replaced.
#pragma once

#include <memory>
#include <string>

#include "model.h"
#include "run.h"

namespace OrvaneSDK {
class ISolverManager;
namespace Model {
class IEntityCollection;
class IAttribute;
}  // namespace Model
}  // namespace OrvaneSDK

namespace varnex2_standin {
namespace library {

// The current model; on first use it is the file named by VARNEX2_MODEL or the built-in one.
Model& model();
Run& run();
OrvaneSDK::ISolverManager* manager();  // whether or not the entry point hands it out
OrvaneSDK::Model::IEntityCollection* collection();
bool available();
void setAvailable(bool available);
// Why the model of VARNEX2_MODEL could not be loaded at start (the manager is then withheld).
const std::string& startError();

// Replaces the model and starts a new run on it. The old model is freed; the objects it
// handed out stay allocated and fail cleanly instead of crashing.
void replaceModel(std::unique_ptr<Model> next);
// The built-in model, a fresh run, no armed failures, empty logs, manager available.
void reset();

// Whether object is the manager, the collection or an object handed out by the current model.
bool isCurrentObject(const void* object);

// The interface object of an attribute or entity node (made on first use).
OrvaneSDK::Model::IAttribute* attributeObject(Node* node);

}  // namespace library
}  // namespace varnex2_standin
