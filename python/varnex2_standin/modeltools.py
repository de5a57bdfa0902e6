"""Model files of the stand-in: the JSON Schema for editors and the model as a tree.

The rules of model files live in the library's reader alone: ``varnex2_standin.check_model``
lists every problem it finds, and ``python -m varnex2_standin check`` prints them.
``tree(dumped)`` renders a model as ``dump_model()`` gives it.
"""
import json
import os
import re
from typing import Any, Dict, List

__all__ = ["tree", "escape_controls", "SCHEMA_PATH", "KINDS"]

SCHEMA_PATH = os.path.join(os.path.dirname(os.path.abspath(__file__)), "model.schema.json")

KINDS = ("int", "bool", "float", "double", "string", "composite", "entity", "link", "list", "array", "shortcut")
VALUE_KINDS = ("int", "bool", "float", "double", "string")


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
