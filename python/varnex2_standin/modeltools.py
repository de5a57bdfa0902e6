"""Model files of the stand-in: every problem of a file with its place, and the model as a tree.

``problems(document)`` applies the loader's rules (standin/README.md, "Model files") but
goes on after a problem, so that one pass shows all of them; each problem reads like the
loader's own message (``entities[0].attributes[2] ('Speed').value: expected a number``).
``tree(dumped)`` renders a model as ``dump_model()`` gives it.
"""
import json
import math
import os
import re
from typing import Any, Dict, List, Optional, Sequence, Set, Tuple, Union

__all__ = ["problems", "read_model", "tree", "escape_controls", "SCHEMA_PATH", "KINDS"]

SCHEMA_PATH = os.path.join(os.path.dirname(os.path.abspath(__file__)), "model.schema.json")

KINDS = ("int", "bool", "float", "double", "string", "composite", "entity", "link", "list", "array", "shortcut")
VALUE_KINDS = ("int", "bool", "float", "double", "string")
CHRONOLOGIES = ("Initial", "Continue", "TimeStepStart", "Current", "Next")
ACCESS = ("None", "ReadOnly", "WriteOnly", "ReadWrite")
FLOAT_MAX = 3.4028234663852886e38
RUN_DEFAULTS = {"iteration": 1, "numberOfIterations": 100, "timeStep": 0.5, "totalTime": 60.0,
                "residualReduction": 0.8}

_RUN_KEYS = {
    "transient": "flag", "iteration": "integer", "numberOfIterations": "integer", "startTime": "number",
    "timeStep": "number", "totalTime": "number", "stopOnConvergence": "flag", "residual": "number",
    "residualReduction": "number", "tolerance": "number", "converged": "flag", "solveStopped": "flag",
    "version": "version", "versionString": "text", "residualPath": "text",
}
_KEYS = {
    "entity": ("name", "kind", "type", "id", "access", "attributes"),
    "composite": ("name", "kind", "type", "access", "unit", "attributes"),
    "link": ("name", "kind", "type", "access", "unit", "target", "targets"),
    "shortcut": ("name", "kind", "type", "access", "unit", "targets", "target"),
    "value": ("name", "kind", "type", "access", "unit", "value", "values"),
}



FORMAT = "varnex2-standin-model/1"


def _quoted(text: str) -> str:
    """Text from the input, quoted and cut short as the library quotes it (60 bytes of UTF-8)."""
    data = text.encode("utf-8", "surrogateescape")
    if len(data) <= 60:
        return "'%s'" % text
    shown = data[:60].decode("utf-8", "ignore")
    return "'%s...' (%d bytes)" % (shown, len(data))

class _Checker:
    """Walks a model document as the loader does, collecting every problem."""

    def __init__(self) -> None:
        self.found: List[str] = []
        self.entity_names: Set[str] = set()
        self.links: List[Tuple[str, str]] = []  # (target, place)

    def bad(self, where: str, what: str) -> None:
        self.found.append("%s: %s" % (where, what))

    def only_keys(self, obj: Dict[str, Any], where: str, allowed: Sequence[str]) -> None:
        for key in obj:
            if key not in allowed:
                self.bad(where, "unknown key %s" % _quoted(key))

    # Scalars: each returns the value, or None after recording the problem.

    def text(self, value: Any, where: str) -> Optional[str]:
        if isinstance(value, str):
            return value
        self.bad(where, "expected a string")
        return None

    def integer(self, value: Any, where: str) -> Optional[int]:
        if not isinstance(value, int) or isinstance(value, bool):
            self.bad(where, "expected an integer")
            return None
        if not -2 ** 31 <= value < 2 ** 31:
            self.bad(where, "integer out of range")
            return None
        return value

    def number(self, value: Any, where: str) -> Optional[float]:
        if isinstance(value, (int, float)) and not isinstance(value, bool):
            return float(value)
        if value in ("inf", "+inf", "-inf", "nan"):
            return float(value)
        self.bad(where, "expected a number")
        return None

    def flag(self, value: Any, where: str) -> Optional[bool]:
        if isinstance(value, bool):
            return value
        self.bad(where, "expected true or false")
        return None

    def access(self, value: Any, where: str) -> None:
        if isinstance(value, int) and not isinstance(value, bool):
            number = self.integer(value, where)
            if number is not None and not 0 <= number <= 3:
                self.bad(where, "access must be 0 to 3")
            return
        name = self.text(value, where)
        if name is not None and name not in ACCESS:
            self.bad(where, "access must be None, ReadOnly, WriteOnly or ReadWrite")

    # The document.

    def model(self, doc: Any) -> None:
        if not isinstance(doc, dict):
            self.bad("model", "expected a JSON object")
            return
        self.only_keys(doc, "model", ("format", "run", "solutionControl", "entities"))
        if "format" in doc:
            fmt = doc["format"]
            if not isinstance(fmt, str):
                self.bad("format", "expected the text '%s'" % FORMAT)
            elif fmt != FORMAT:
                self.bad("format", "unsupported format %s (this library reads '%s')" % (_quoted(fmt), FORMAT))
        if "run" in doc:
            self.run(doc["run"])
        roots = doc.get("entities")
        siblings: Set[str] = set()
        if "entities" in doc and not isinstance(roots, list):
            self.bad("entities", "expected a list")
        elif roots is not None:
            for i, definition in enumerate(roots):
                self.entity(definition, "", siblings, "entities[%d]" % i, root=True)
        for target, where in self.links:
            if target not in self.entity_names:
                self.bad(where, "no entity named '%s'" % target)
        control = doc.get("solutionControl")
        if control is not None:
            name = self.text(control, "solutionControl")
            if name is not None and name not in self.entity_names:
                self.bad("solutionControl", "no entity named '%s'" % name)

    def run(self, run: Any) -> None:
        if not isinstance(run, dict):
            self.bad("run", "expected an object")
            return
        self.only_keys(run, "run", tuple(_RUN_KEYS))
        values: Dict[str, Any] = dict(RUN_DEFAULTS)
        for key, kind in _RUN_KEYS.items():
            if key not in run or (key == "converged" and run[key] is None):
                continue
            where = "run." + key
            if kind == "version":
                self.version(run[key], where)
            else:
                values[key] = getattr(self, kind)(run[key], where)
        if values["iteration"] is not None and values["iteration"] < 0:
            self.bad("run.iteration", "must not be negative")
        if values["numberOfIterations"] is not None and values["numberOfIterations"] < 0:
            self.bad("run.numberOfIterations", "must not be negative")
        for key, rule, ok in (("timeStep", "must be positive", lambda v: v > 0.0),
                              ("totalTime", "must not be negative", lambda v: v >= 0.0)):
            number = values[key]
            if number is not None and not math.isfinite(number):
                self.bad("run." + key, "must be a finite number")
            elif number is not None and not ok(number):
                self.bad("run." + key, rule)
        reduction = values["residualReduction"]
        if reduction is not None and not reduction > 0.0:
            self.bad("run.residualReduction", "must be positive")

    def version(self, version: Any, where: str) -> None:
        if not isinstance(version, dict):
            self.bad(where, "expected an object")
            return
        keys = ("major", "minor", "servicePack", "build")
        self.only_keys(version, where, keys)
        for key in keys:
            if key in version:
                self.integer(version[key], where + "." + key)

    def name_of(self, definition: Any, where: str) -> Optional[str]:
        if not isinstance(definition, dict):
            self.bad(where, "expected an object")
            return None
        if "name" not in definition:
            self.bad(where, "missing 'name'")
            return None
        name = self.text(definition["name"], where + ".name")
        if name is None:
            return None
        if not name or "/" in name:
            self.bad(where + ".name", "a name must be non-empty and contain no '/'")
        return name

    def common(self, definition: Dict[str, Any], where: str) -> None:
        if "type" in definition:
            self.text(definition["type"], where + ".type")
        if definition.get("unit") is not None:
            self.text(definition["unit"], where + ".unit")
        if "access" in definition:
            self.access(definition["access"], where + ".access")

    def attach(self, name: str, siblings: Set[str], where: str) -> None:
        if name in siblings:
            self.bad(where, "the name '%s' is used twice" % name)
        siblings.add(name)

    def children(self, definition: Dict[str, Any], prefix: str, where: str) -> None:
        if "attributes" not in definition:
            return
        attributes = definition["attributes"]
        if not isinstance(attributes, list):
            self.bad(where + ".attributes", "expected a list")
            return
        siblings: Set[str] = set()
        for i, child in enumerate(attributes):
            self.attribute(child, prefix, siblings, "%s.attributes[%d]" % (where, i))

    def entity(self, definition: Any, prefix: str, siblings: Set[str], where: str, root: bool) -> None:
        name = self.name_of(definition, where)
        if name is None:
            return
        self.only_keys(definition, where, _KEYS["entity"])
        if root and "kind" in definition and self.text(definition["kind"], where + ".kind") not in (None, "entity"):
            self.bad(where + ".kind", "a root entity must be of kind 'entity'")
        if "type" not in definition:
            self.bad(where, "an entity needs a 'type'")
        self.common(definition, where)
        if "id" in definition:
            ident = definition["id"]
            if not isinstance(ident, list) or len(ident) != 2:
                self.bad(where + ".id", "expected two integers")
            else:
                for k in range(2):
                    self.integer(ident[k], "%s.id[%d]" % (where, k))
        self.attach(name, siblings, where)
        full = prefix + "/" + name if prefix else name
        self.entity_names.add(full)
        self.children(definition, full, where)

    def attribute(self, definition: Any, prefix: str, siblings: Set[str], at: str) -> None:
        name = self.name_of(definition, at)
        if name is None:
            return
        where = "%s ('%s')" % (at, name)
        if "kind" not in definition:
            self.bad(where, "missing 'kind'")
            return
        kind = self.text(definition["kind"], where + ".kind")
        if kind is None:
            return
        if kind not in KINDS:
            self.bad(where + ".kind", "unknown kind '%s'" % kind)
            return
        if kind == "entity":
            self.entity(definition, prefix, siblings, where, root=False)
            return
        group = kind if kind in ("composite", "shortcut") else "link" if kind in ("link", "list", "array") else "value"
        self.only_keys(definition, where, _KEYS[group])
        self.common(definition, where)
        self.attach(name, siblings, where)
        if kind == "composite":
            self.children(definition, prefix + "/" + name, where)
        elif group == "link":
            self.link(kind, definition, where)
        elif kind == "shortcut":
            if "target" in definition:
                self.text(definition["target"], where + ".target")
            self.texts(definition, where, allow_empty=None)
        else:
            self.values(kind, definition, where)

    def texts(self, definition: Dict[str, Any], where: str, allow_empty: Optional[bool]) -> List[str]:
        """The texts of "targets"; ``allow_empty``: null slots allowed (True), refused as
        slots (False) or refused as texts (None)."""
        if "targets" not in definition:
            return []
        targets = definition["targets"]
        if not isinstance(targets, list):
            self.bad(where + ".targets", "expected a list")
            return []
        found = []
        for i, target in enumerate(targets):
            place = "%s.targets[%d]" % (where, i)
            if target is None and allow_empty is not None:
                if not allow_empty:
                    self.bad(place, "only an array may have empty slots")
                continue
            text = self.text(target, place)
            if text is not None:
                found.append(text)
        return found

    def link(self, kind: str, definition: Dict[str, Any], where: str) -> None:
        names: List[str] = []
        if kind == "link":
            if "targets" in definition:
                self.bad(where, "a link has one 'target'")
            if definition.get("target") is not None:
                target = self.text(definition["target"], where + ".target")
                names = [target] if target is not None else []
        else:
            if "target" in definition:
                self.bad(where, "a list or array has 'targets'")
            names = self.texts(definition, where, allow_empty=kind == "array")
        self.links.extend((name, where) for name in names)

    def scalar(self, kind: str, value: Any, where: str) -> None:
        if kind == "int":
            self.integer(value, where)
        elif kind == "bool":
            self.flag(value, where)
        elif kind == "string":
            self.text(value, where)
        else:
            number = self.number(value, where)
            if kind == "float" and number is not None and math.isfinite(number) and abs(number) > FLOAT_MAX:
                self.bad(where, "outside the range of float")

    def values(self, kind: str, definition: Dict[str, Any], where: str) -> None:
        if "value" in definition and "values" in definition:
            self.bad(where, "give either 'value' or 'values'")
        if "value" in definition:
            self.scalar(kind, definition["value"], where + ".value")
        elif "values" in definition:
            values = definition["values"]
            if not isinstance(values, dict):
                self.bad(where + ".values", "expected an object keyed by chronology")
                return
            for key, value in values.items():
                if key not in CHRONOLOGIES and key not in ("0", "1", "2", "3", "4"):
                    self.bad(where + ".values", "unknown chronology '%s' (%s)" % (key, ", ".join(CHRONOLOGIES)))
                    continue
                self.scalar(kind, value, "%s.values.%s" % (where, key))


def problems(document: Any) -> List[str]:
    """Every problem of a parsed model document, as "place: what", in the loader's order
    (run, entities, link targets, solution control); empty when the loader accepts it."""
    checker = _Checker()
    checker.model(document)
    return checker.found


def read_model(path: Union[str, "os.PathLike[str]"]) -> Tuple[Any, List[str]]:
    """The parsed document of a model file and the problems found in reading it."""
    try:
        with open(path, "rb") as stream:
            data = stream.read()
    except OSError:
        return None, ["cannot read model file '%s'" % os.fspath(path)]
    try:
        return json.loads(data.decode("utf-8")), []
    except (UnicodeDecodeError, ValueError) as error:
        return None, ["not valid JSON: %s" % error]


def _value_text(value: Any) -> str:
    return json.dumps(value, ensure_ascii=False)


def _node_lines(node: Dict[str, Any], depth: int, full: str, out: List[str]) -> None:
    """Lines of a node and its children; ``full`` is the node's full path."""
    indent = "  " * depth
    kind = node.get("kind", "entity")
    if kind == "entity":
        out.append("%s%s  [entity %s]  id %s-%s  %s" % (indent, full, node["type"], node["id"][0], node["id"][1],
                                                      node.get("access", "ReadOnly")))
    else:
        details = [kind]
        if node.get("type", kind) != kind:
            details.append("type %s" % node["type"])
        if node.get("unit"):
            details.append("unit %s" % node["unit"])
        details.append(node.get("access", "ReadOnly"))
        line = "%s%s  [%s]" % (indent, node["name"], ", ".join(details))
        if kind in VALUE_KINDS:
            values = node.get("values", {})
            line += "  = " + (_value_text(values["Current"]) if "Current" in values else "(no value)")
        elif kind == "link":
            line += "  -> %s" % (node.get("target") or "(nothing)")
        elif kind in ("list", "array", "shortcut"):
            line += "  -> [%s]" % ", ".join(t if t is not None else "(empty)" for t in node.get("targets", []))
        out.append(line)
    for child in node.get("attributes", []):
        _node_lines(child, depth + 1, full + "/" + child["name"], out)


# Characters a terminal would act on rather than show: C0 and C1 controls, DEL, line and
# paragraph separators, and the bidirectional overrides and isolates that reorder text.
_UNPRINTABLE = re.compile(r"[\x00-\x1f\x7f-\x9f\u2028\u2029\u202a-\u202e\u2066-\u2069]")


def escape_controls(text: str, json_escapes: bool = False) -> str:
    """``text`` with control characters written as escapes (``\\x1b``, ``\\u202e``), so that
    names from a model file cannot act on the terminal they are printed on. ``json_escapes``
    is for the output of json.dumps, which escapes C0 controls in strings itself: the others
    become ``\\u009b`` escapes, valid in JSON strings, and line breaks of the layout stay."""
    def escape(match: "re.Match[str]") -> str:
        code = ord(match.group())
        if json_escapes and code < 0x20:
            return match.group()
        return "\\x%02x" % code if code < 0x100 and not json_escapes else "\\u%04x" % code

    return _UNPRINTABLE.sub(escape, text)


def tree(dumped: Dict[str, Any]) -> List[str]:
    """The lines of a model as ``dump_model()`` gives it: run settings, then each entity by
    full name with its type, identifier and access, and below it its attributes with kind,
    type, unit, access and value at Current. Control characters of names and texts are
    shown escaped (``escape_controls``)."""
    run = dumped.get("run", {})
    entities = dumped.get("entities", [])
    lines = ["run: %s, iteration %s of %s, residual %s, tolerance %s%s" % (
        "transient (time step %s s, total %s s)" % (run.get("timeStep"), run.get("totalTime"))
        if run.get("transient") else "steady",
        run.get("iteration"), run.get("numberOfIterations"), run.get("residual"), run.get("tolerance"),
        ", stop on convergence" if run.get("stopOnConvergence") else "")]
    lines.append("solution control: %s" % (dumped.get("solutionControl") or "(none)"))
    for root in entities:
        _node_lines(root, 0, root["name"], lines)
    return [escape_controls(line) for line in lines]
