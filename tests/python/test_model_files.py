"""Model files: the library's reader (loading, check_model and the check command) against the
shipped JSON Schema on a corpus of valid and invalid models, and the check command on hostile files."""
import copy
import json
import os
import subprocess
import sys

import pytest

modeltools = pytest.importorskip("varnex2_standin.modeltools")  # a build with the stand-in
SCHEMA_PATH = modeltools.SCHEMA_PATH
jsonschema = pytest.importorskip("jsonschema")
FLOAT_MAX = 3.4028234663852886e38

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
    "largest floats": net(value("float", values={"Initial": FLOAT_MAX, "Current": -FLOAT_MAX})),
    "attributes before the name": net({"attributes": [value("int", value=1)], "kind": "composite", "name": "C"}),
    "example transient model": json.load(open(os.path.join(EXAMPLES, "transient_loop.json"))),
}

# (model, the loader's message); all rejected by the schema too.
INVALID = {
    "unknown top key": ({"entity": []}, "model: unknown key 'entity'"),
    "misspelt key": (with_run(timestep=1), "run: unknown key 'timestep' (did you mean 'timeStep'?)"),
    "misspelt attribute key": (net(value("int", Value=1)),
                               "entities[0].attributes[0] ('V'): unknown key 'Value' (did you mean 'value'?)"),
    "format with more after it": ({"format": "varnex2-standin-model/1 "},
                                  "format: unsupported format 'varnex2-standin-model/1 ' (this library reads "
                                  "'varnex2-standin-model/1')"),
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
    "just beyond the largest float": (net(value("float", value=-3.4028235677973366e38)),
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

def nested(levels):
    """An entity whose attributes nest `levels` composites deep."""
    inner = []
    for _ in range(levels):
        inner = [{"name": "c", "kind": "composite", "attributes": inner}]
    return {"entities": [{"name": "A", "type": "T", "attributes": inner}]}


# Rules no schema states (or that draft 7 words loosely): the schema accepts these, the reader does not.
SEMANTIC = {
    "integral real as int": (net(value("int", value=1.0)), "entities[0].attributes[0] ('V').value: expected an "
                                                            "integer"),
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
def reader(standin, tmp_path):
    """The reader's verdict on a model written to a file: (load_model's message or None,
    check_model's problems)."""
    def read(model):
        path = tmp_path / "model.json"
        path.write_text(json.dumps(model))
        try:
            standin.load_model(path)
            message = None
        except standin.ModelError as error:
            message = str(error).replace(str(path) + ": ", "", 1)
        return message, standin.check_model(path)

    return read


@pytest.mark.parametrize("name", sorted(VALID))
def test_valid_models_pass_reader_and_schema(reader, schema, name):
    assert reader(VALID[name]) == (None, [])
    assert list(schema.iter_errors(VALID[name])) == []


@pytest.mark.parametrize("name", sorted(INVALID))
def test_invalid_models_fail_reader_and_schema_alike(reader, schema, name):
    model, message = INVALID[name]
    assert reader(model) == (message, [message])
    assert list(schema.iter_errors(model)) != []


@pytest.mark.parametrize("name", sorted(SEMANTIC))
def test_rules_beyond_the_schema_are_the_readers(reader, schema, name):
    model, message = SEMANTIC[name]
    assert reader(model) == (message, [message])
    assert list(schema.iter_errors(model)) == []


def test_the_built_in_model_as_dumped_is_valid_everywhere(standin, reader, schema):
    dumped = standin.dump_model()
    assert reader(dumped) == (None, []) and list(schema.iter_errors(dumped)) == []


def test_every_problem_is_listed_in_the_order_met_and_the_model_stays(standin):
    model = copy.deepcopy(EVERY_KIND)
    model["run"]["timeStep"] = -1
    model["run"]["tolerance"] = "small"
    attributes = model["entities"][0]["attributes"]
    attributes[3]["values"]["Next"] = "x"       # V, an int
    attributes[4]["unit"] = 5                    # F
    attributes[7]["target"] = "Net/C"            # L
    attributes.append(value("bool"))             # V again
    problems = standin.check_model(model)
    assert problems == [
        "entities[0].attributes[3] ('V').values.Next: expected an integer",
        "entities[0].attributes[4] ('F').unit: expected a string",
        "entities[0].attributes[12] ('V'): the name 'V' is used twice",
        "run.tolerance: expected a number",
        "run.timeStep: must be positive",
        "entities[0].attributes[7] ('L'): no entity named 'Net/C'",
    ]
    with pytest.raises(standin.ModelError, match=r"^entities\[0\]\.attributes\[3\] \('V'\)\.values\.Next:"):
        standin.load_model(model)
    assert standin.check_model(json.dumps(model)) == problems  # text as well as a dict
    assert [e["name"] for e in standin.dump_model()["entities"]] == ["CoolingLoop", "Environment"]


def test_a_fault_of_the_text_or_its_nesting_comes_before_the_models_problems(standin):
    late_fault = '{"entity": 1, "entities": [}'
    assert standin.check_model(late_fault) == [
        "not valid JSON: [json.exception.parse_error.101] parse error at line 1, column 28: syntax error while "
        "parsing value - unexpected '}'; expected '[', '{', or a literal"]
    assert standin.check_model('{"entity": 1, "x": ' + "[" * 600 + "]" * 600 + "}") == [
        "line 1, column 539: JSON nested more than 520 levels deep"]
    many = {"entities": [{"name": "E%d" % i, "type": "T", "id": "x"} for i in range(1500)]}
    problems = standin.check_model(many)
    assert len(problems) == 1001 and problems[-1] == "stopped after 1000 problems"


def check(*args, env=None):
    proc = subprocess.run([sys.executable, "-m", "varnex2_standin", "check"] + [str(a) for a in args],
                          capture_output=True, text=True, timeout=120, env=env)
    return proc.returncode, proc.stdout, proc.stderr


@pytest.fixture
def hostile(tmp_path):
    """Model files the check once hung on, ran out of memory with, crashed on or refused wrongly."""
    fifo = tmp_path / "fifo.json"
    os.mkfifo(str(fifo))
    (tmp_path / "deep.json").write_text("[" * 100000)
    (tmp_path / "escape.json").write_text('{"entities": [{"name": "\\ud800", "type": "T"}]}')
    (tmp_path / "raw.json").write_bytes(b'{"entities": [{"name": "\xed\xa0\x80", "type": "T"}]}')
    (tmp_path / "bom.json").write_bytes(b"\xef\xbb\xbf" + json.dumps(VALID["every kind"]).encode())
    (tmp_path / "nested.json").write_text(json.dumps(nested(257)))
    return {"fifo": fifo, "zero": "/dev/zero", "deep": tmp_path / "deep.json", "escape": tmp_path / "escape.json",
            "raw": tmp_path / "raw.json", "bom": tmp_path / "bom.json", "nested": tmp_path / "nested.json"}


@pytest.mark.parametrize("name, status, first", [
    ("fifo", 1, "cannot read model file '{path}': not a regular file"),
    ("zero", 1, "cannot read model file '{path}': not a regular file"),
    ("deep", 1, "line 1, column 521: JSON nested more than 520 levels deep"),
    ("escape", 1, "not valid JSON: [json.exception.parse_error.101] parse error at line 1, column 31: syntax error "
                  "while parsing value - invalid string: surrogate U+D800..U+DBFF must be followed by U+DC00..U+DFFF"),
    ("raw", 1, "not valid JSON: [json.exception.parse_error.101] parse error at line 1, column 26"),
    ("bom", 0, "valid model, 1 root entity, 4 entities"),
    ("nested", 1, "entities[0]" + ".attributes[0] ('c')" * 257 + ": nested more than 256 levels below its root "
                  "entity"),
])
def test_check_answers_hostile_files_in_ascii_too(hostile, name, status, first):
    path = hostile[name]
    code, out, err = check(path, env=dict(os.environ, PYTHONIOENCODING="ascii"))
    assert (code, err) == (status, "")
    assert out.startswith("%s: %s" % (path, first.format(path=path)))
    assert out.endswith("1 problem in %s\n" % path if status else "\n")


def test_check_of_a_missing_file_is_wrong_usage(tmp_path):
    assert check(tmp_path / "absent.json") == (2, "", "varnex2-standin: error: no model file %s\n"
                                               % (tmp_path / "absent.json"))
