"""Model files: the shipped JSON Schema and the checker held against the stand-in's loader on
a corpus of valid and invalid models."""
import copy
import json
import os

import pytest

modeltools = pytest.importorskip("varnex2_standin.modeltools")  # a build with the stand-in
SCHEMA_PATH, problems = modeltools.SCHEMA_PATH, modeltools.problems
jsonschema = pytest.importorskip("jsonschema")

EXAMPLES = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))), "examples")


def net(*attributes, **entity):
    root = {"name": "Net", "type": "Network", "attributes": list(attributes)}
    root.update(entity)
    return {"entities": [root]}


def value(kind, **extra):
    attribute = {"name": "V", "kind": kind}
    attribute.update(extra)
    return attribute


def with_run(**run):
    return {"run": run, "entities": []}


TARGETS = [{"name": "A", "kind": "entity", "type": "Thing"}, {"name": "B", "kind": "entity", "type": "Thing"}]
EVERY_KIND = net(
    {"name": "Ctl", "kind": "entity", "type": "SolutionControl", "id": [7, -1], "access": 3, "attributes": [
        {"name": "Convergence", "kind": "composite", "unit": None, "attributes": [
            {"name": "Residual", "kind": "double", "access": "ReadOnly", "value": "inf"}]}]},
    *TARGETS,
    value("int", values={"0": -2147483648, "Next": 2147483647}),
    {"name": "F", "kind": "float", "unit": "m", "value": -3.4e38},
    {"name": "S", "kind": "string", "type": "Label", "values": {"Current": "caf\u00e9"}},
    {"name": "B1", "kind": "bool", "access": 0, "value": False},
    {"name": "L", "kind": "link", "target": "Net/A"}, {"name": "L0", "kind": "link", "target": None},
    {"name": "Li", "kind": "list", "targets": ["Net/A", "Net/B"]},
    {"name": "Ar", "kind": "array", "targets": ["Net/B", None]},
    {"name": "Sc", "kind": "shortcut", "target": "Net/Gone/X", "targets": ["Net/V"]},
)
EVERY_KIND.update(format="varnex2-standin-model/1", solutionControl="Net/Ctl", run={
    "transient": True, "iteration": 0, "numberOfIterations": 0, "startTime": "-inf", "timeStep": 1e-9,
    "totalTime": 0, "stopOnConvergence": False, "residual": "nan", "residualReduction": "inf", "tolerance": 0,
    "converged": None, "solveStopped": True, "version": {"major": 1, "build": 2}, "versionString": "x",
    "residualPath": "A/B"})

VALID = {
    "empty": {},
    "every kind": EVERY_KIND,
    "example transient model": json.load(open(os.path.join(EXAMPLES, "transient_loop.json"))),
}

# (model, the loader's message); all rejected by the schema too.
INVALID = {
    "unknown top key": ({"entity": []}, "model: unknown key 'entity'"),
    "not an object": ([], "model: expected a JSON object"),
    "zero time step": (with_run(timeStep=0), "run.timeStep: must be positive"),
    "negative iteration": (with_run(iteration=-1), "run.iteration: must not be negative"),
    "text count": (with_run(numberOfIterations="3"), "run.numberOfIterations: expected an integer"),
    "fractional version": (with_run(version={"major": 1.5}), "run.version.major: expected an integer"),
    "unknown version key": (with_run(version={"patch": 1}), "run.version: unknown key 'patch'"),
    "zero reduction": (with_run(residualReduction=0), "run.residualReduction: must be positive"),
    "infinite total time": (with_run(totalTime="inf"), "run.totalTime: must be a finite number"),
    "negative total time": (with_run(totalTime=-1.0), "run.totalTime: must not be negative"),
    "other format": ({"format": "varnex2-standin-model/999", "entities": []},
                     "format: unsupported format 'varnex2-standin-model/999' (this library reads "
                     "'varnex2-standin-model/1')"),
    "text flag": (with_run(transient="yes"), "run.transient: expected true or false"),
    "entity without type": ({"entities": [{"name": "N"}]}, "entities[0]: an entity needs a 'type'"),
    "slash in name": (net(value("int", name="a/b")), "entities[0].attributes[0].name: a name must be non-empty "
                                                     "and contain no '/'"),
    "empty name": ({"entities": [{"name": "", "type": "T"}]},
                   "entities[0].name: a name must be non-empty and contain no '/'"),
    "root of another kind": ({"entities": [{"name": "N", "type": "T", "kind": "composite"}]},
                             "entities[0].kind: a root entity must be of kind 'entity'"),
    "no kind": (net({"name": "V"}), "entities[0].attributes[0] ('V'): missing 'kind'"),
    "unknown kind": (net(value("real")), "entities[0].attributes[0] ('V').kind: unknown kind 'real'"),
    "fractional int": (net(value("int", value=1.5)), "entities[0].attributes[0] ('V').value: expected an integer"),
    "int too large": (net(value("int", value=2 ** 31)), "entities[0].attributes[0] ('V').value: integer out of range"),
    "number as bool": (net(value("bool", value=1)), "entities[0].attributes[0] ('V').value: expected true or false"),
    "float too large": (net(value("float", value=1e39)),
                        "entities[0].attributes[0] ('V').value: outside the range of float"),
    "text as double": (net(value("double", value="1.0")), "entities[0].attributes[0] ('V').value: expected a number"),
    "value and values": (net(value("int", value=1, values={"Next": 2})),
                         "entities[0].attributes[0] ('V'): give either 'value' or 'values'"),
    "unknown chronology": (net(value("int", values={"Later": 2})),
                           "entities[0].attributes[0] ('V').values: unknown chronology 'Later' "
                           "(Initial, Continue, TimeStepStart, Current, Next)"),
    "link with targets": (net(*TARGETS, value("link", targets=["Net/A"])),
                          "entities[0].attributes[2] ('V'): a link has one 'target'"),
    "list with a hole": (net(*TARGETS, value("list", targets=["Net/A", None])),
                         "entities[0].attributes[2] ('V').targets[1]: only an array may have empty slots"),
    "list with one target": (net(*TARGETS, value("list", target="Net/A")),
                             "entities[0].attributes[2] ('V'): a list or array has 'targets'"),
    "numeric shortcut": (net(value("shortcut", targets=[3])),
                         "entities[0].attributes[0] ('V').targets[0]: expected a string"),
    "access out of range": (net(value("int", access=7)), "entities[0].attributes[0] ('V').access: access must be 0 to 3"),
    "unknown access": (net(value("int", access="Write")), "entities[0].attributes[0] ('V').access: access must be "
                                                          "None, ReadOnly, WriteOnly or ReadWrite"),
    "short id": ({"entities": [{"name": "N", "type": "T", "id": [1]}]}, "entities[0].id: expected two integers"),
    "id out of range": ({"entities": [{"name": "N", "type": "T", "id": [1, 2 ** 31]}]},
                        "entities[0].id[1]: integer out of range"),
    "unit on an entity": ({"entities": [{"name": "N", "type": "T", "unit": "m"}]}, "entities[0]: unknown key 'unit'"),
    "target on a value": (net(value("int", target="Net")), "entities[0].attributes[0] ('V'): unknown key 'target'"),
}

# Rules no schema states: the schema accepts these, the loader and the check do not.
SEMANTIC = {
    "name used twice": (net(value("int"), value("bool")), "entities[0].attributes[1] ('V'): the name 'V' is used twice"),
    "link to nothing": (net(value("link", target="Net/Gone")), "entities[0].attributes[0] ('V'): no entity named "
                                                               "'Net/Gone'"),
    "array slot to nothing": (net(value("array", targets=[None, "Nowhere"])),
                              "entities[0].attributes[0] ('V'): no entity named 'Nowhere'"),
    "unknown solution control": (dict(net(), solutionControl="Net/Ctl"), "solutionControl: no entity named 'Net/Ctl'"),
}


@pytest.fixture(scope="module")
def schema():
    with open(SCHEMA_PATH) as stream:
        document = json.load(stream)
    jsonschema.Draft7Validator.check_schema(document)
    return jsonschema.Draft7Validator(document)


@pytest.fixture
def loader_message(standin, tmp_path):
    """The stand-in loader's message for a model, read from a file as the check reads it; None when loaded."""
    def load(model):
        path = tmp_path / "model.json"
        path.write_text(json.dumps(model))
        try:
            standin.load_model(path)
        except standin.ModelError as error:
            return str(error).replace(str(path) + ": ", "", 1)
        return None

    return load


@pytest.mark.parametrize("name", sorted(VALID))
def test_valid_models_pass_loader_check_and_schema(loader_message, schema, name):
    model = VALID[name]
    assert loader_message(model) is None
    assert problems(model) == []
    assert list(schema.iter_errors(model)) == []


@pytest.mark.parametrize("name", sorted(INVALID))
def test_invalid_models_fail_loader_check_and_schema_alike(loader_message, schema, name):
    model, message = INVALID[name]
    assert loader_message(model) == message
    assert problems(model)[0] == message
    assert list(schema.iter_errors(model)) != []


@pytest.mark.parametrize("name", sorted(SEMANTIC))
def test_rules_beyond_the_schema_are_checked(loader_message, schema, name):
    model, message = SEMANTIC[name]
    assert loader_message(model) == message
    assert problems(model) == [message]
    assert list(schema.iter_errors(model)) == []


def test_the_built_in_model_as_dumped_is_valid_everywhere(standin, loader_message, schema):
    dumped = standin.dump_model()
    assert problems(dumped) == [] and list(schema.iter_errors(dumped)) == []
    assert loader_message(dumped) is None


def test_every_problem_is_listed_with_its_place():
    model = copy.deepcopy(EVERY_KIND)
    model["run"]["timeStep"] = -1
    attributes = model["entities"][0]["attributes"]
    attributes[3]["values"]["Next"] = "x"       # V, an int
    attributes[4]["unit"] = 5                    # F
    attributes[7]["target"] = "Net/C"            # L
    assert problems(model) == [
        "run.timeStep: must be positive",
        "entities[0].attributes[3] ('V').values.Next: expected an integer",
        "entities[0].attributes[4] ('F').unit: expected a string",
        "entities[0].attributes[7] ('L'): no entity named 'Net/C'",
    ]
