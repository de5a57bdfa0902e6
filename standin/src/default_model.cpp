// The built-in model: a small closed cooling loop (pump, pipes, heat exchanger, boundary
// conditions) with its solver settings, plus the ambient environment.
#include "model_json.h"

namespace varnex2_standin {

const char* defaultModelText() {
    return R"JSON({
  "format": "varnex2-standin-model/1",
  "run": {
    "transient": false,
    "iteration": 1,
    "numberOfIterations": 100,
    "timeStep": 0.5,
    "totalTime": 60.0,
    "stopOnConvergence": true,
    "residual": 1.0,
    "residualReduction": 0.8,
    "tolerance": 1e-4
  },
  "solutionControl": "CoolingLoop/Solver",
  "entities": [
    {
      "name": "CoolingLoop", "type": "Network", "id": [1, 1],
      "attributes": [
        {"name": "Description", "kind": "string", "value": "Closed water cooling loop"},
        {"name": "Fluid", "kind": "string", "access": "ReadOnly", "value": "Water"},
        {"name": "Solver", "kind": "entity", "type": "SolutionControl", "id": [2, 1],
         "attributes": [
           {"name": "Iterations", "kind": "composite", "attributes": [
             {"name": "MaximumIterations", "kind": "int", "value": 100},
             {"name": "Iteration", "kind": "int", "access": "ReadOnly", "value": 1}
           ]},
           {"name": "Convergence", "kind": "composite", "attributes": [
             {"name": "Tolerance", "kind": "double", "value": 1e-4},
             {"name": "StopOnConvergence", "kind": "bool", "value": true},
             {"name": "Residual", "kind": "double", "access": "ReadOnly", "value": 1.0}
           ]},
           {"name": "Relaxation", "kind": "composite", "attributes": [
             {"name": "Pressure", "kind": "float", "value": 0.3},
             {"name": "Momentum", "kind": "float", "value": 0.7},
             {"name": "Energy", "kind": "float", "value": 0.9}
           ]},
           {"name": "Scheme", "kind": "string", "value": "SecondOrderUpwind"},
           {"name": "Transient", "kind": "bool", "access": "ReadOnly", "value": false}
         ]},
        {"name": "Inlet", "kind": "entity", "type": "BoundaryCondition", "id": [3, 1],
         "attributes": [
           {"name": "Condition", "kind": "string", "access": "ReadOnly", "value": "MassFlowInlet"},
           {"name": "MassFlowRate", "kind": "double", "unit": "kg/s", "value": 2.5},
           {"name": "Temperature", "kind": "double", "unit": "K",
            "values": {"Initial": 288.15, "Continue": 288.15, "TimeStepStart": 288.15, "Current": 290.15}}
         ]},
        {"name": "Pump1", "kind": "entity", "type": "Pump", "id": [4, 1],
         "attributes": [
           {"name": "Running", "kind": "bool", "value": true},
           {"name": "Speed", "kind": "double", "unit": "rpm", "value": 1450.0},
           {"name": "Stages", "kind": "int", "access": "ReadOnly", "value": 2},
           {"name": "Efficiency", "kind": "float", "unit": "1", "value": 0.78},
           {"name": "Head", "kind": "double", "unit": "m", "access": "ReadOnly", "value": 12.5},
           {"name": "Performance", "kind": "composite", "attributes": [
             {"name": "RatedFlow", "kind": "double", "unit": "m3/h", "value": 9.0},
             {"name": "RatedHead", "kind": "double", "unit": "m", "value": 14.0},
             {"name": "Curve", "kind": "composite", "attributes": [
               {"name": "ShutoffHead", "kind": "double", "unit": "m", "value": 18.0},
               {"name": "Exponent", "kind": "double", "value": 2.0}
             ]}
           ]},
           {"name": "SetPoint", "kind": "double", "unit": "Pa", "access": "WriteOnly"},
           {"name": "Suction", "kind": "link", "target": "CoolingLoop/Inlet"}
         ]},
        {"name": "Pipe1", "kind": "entity", "type": "Pipe", "id": [5, 1],
         "attributes": [
           {"name": "Length", "kind": "double", "unit": "m", "value": 12.0},
           {"name": "Diameter", "kind": "double", "unit": "m", "value": 0.05},
           {"name": "Roughness", "kind": "float", "unit": "mm", "value": 0.045},
           {"name": "Upstream", "kind": "link", "target": "CoolingLoop/Pump1"},
           {"name": "Downstream", "kind": "link", "target": "CoolingLoop/HX1"}
         ]},
        {"name": "HX1", "kind": "entity", "type": "HeatExchanger", "id": [6, 1],
         "attributes": [
           {"name": "HeatDuty", "kind": "double", "unit": "W", "access": "ReadOnly", "value": 45000.0},
           {"name": "UA", "kind": "double", "unit": "W/K", "value": 3200.0},
           {"name": "Passes", "kind": "int", "value": 2},
           {"name": "HotSide", "kind": "composite", "attributes": [
             {"name": "InletTemperature", "kind": "double", "unit": "K", "value": 318.15},
             {"name": "OutletTemperature", "kind": "double", "unit": "K", "value": 303.15}
           ]},
           {"name": "ColdSide", "kind": "composite", "attributes": [
             {"name": "InletTemperature", "kind": "double", "unit": "K", "value": 290.15},
             {"name": "OutletTemperature", "kind": "double", "unit": "K", "value": 298.15}
           ]},
           {"name": "FoulingFactor", "kind": "float", "unit": "m2K/W", "value": 0.0002}
         ]},
        {"name": "Pipe2", "kind": "entity", "type": "Pipe", "id": [5, 2],
         "attributes": [
           {"name": "Length", "kind": "double", "unit": "m", "value": 8.5},
           {"name": "Diameter", "kind": "double", "unit": "m", "value": 0.05},
           {"name": "Roughness", "kind": "float", "unit": "mm", "value": 0.045},
           {"name": "Upstream", "kind": "link", "target": "CoolingLoop/HX1"},
           {"name": "Downstream", "kind": "link", "target": "CoolingLoop/Outlet"}
         ]},
        {"name": "Outlet", "kind": "entity", "type": "BoundaryCondition", "id": [3, 2],
         "attributes": [
           {"name": "Condition", "kind": "string", "access": "ReadOnly", "value": "PressureOutlet"},
           {"name": "Pressure", "kind": "double", "unit": "Pa", "value": 101325.0}
         ]},
        {"name": "Bypass", "kind": "entity", "type": "Network", "id": [1, 2],
         "attributes": [
           {"name": "Open", "kind": "bool", "value": false},
           {"name": "Pipe1", "kind": "entity", "type": "Pipe", "id": [5, 3],
            "attributes": [
              {"name": "Length", "kind": "double", "unit": "m", "value": 3.0},
              {"name": "Diameter", "kind": "double", "unit": "m", "value": 0.025}
            ]}
         ]},
        {"name": "Components", "kind": "list",
         "targets": ["CoolingLoop/Pump1", "CoolingLoop/Pipe1", "CoolingLoop/HX1", "CoolingLoop/Pipe2"]},
        {"name": "FlowPath", "kind": "array",
         "targets": ["CoolingLoop/Inlet", "CoolingLoop/Pump1", null, "CoolingLoop/Outlet"]},
        {"name": "Monitors", "kind": "composite", "attributes": [
          {"name": "PumpHead", "kind": "shortcut", "targets": ["CoolingLoop/Pump1/Head"]},
          {"name": "HotOutlet", "kind": "shortcut",
           "targets": ["CoolingLoop/Chiller/HotSide/OutletTemperature", "CoolingLoop/HX1/HotSide/OutletTemperature"]},
          {"name": "Residual", "kind": "shortcut", "targets": ["CoolingLoop/Solver/Convergence/Residual"]}
        ]}
      ]
    },
    {
      "name": "Environment", "type": "Ambient", "id": [7, 1],
      "attributes": [
        {"name": "AirTemperature", "kind": "double", "unit": "K", "value": 293.15},
        {"name": "Pressure", "kind": "double", "unit": "Pa", "value": 101325.0},
        {"name": "Gravity", "kind": "float", "unit": "m/s2", "access": "ReadOnly", "value": 9.81}
      ]
    }
  ]
})JSON";
}

}  // namespace varnex2_standin
