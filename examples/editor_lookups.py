"""The ways an EntityEditor selects entities and attributes, on the stand-in's default model.

An entity is selected by handle, by index, by identifier, by type and index, by type and
name, or by type, name and index; an attribute of it by index (counted recursively) or by
path inside the entity; or the attribute is given by handle. Lookups that find nothing
answer neutral values instead of raising. Readers default to Chronology_Current, writers
to Chronology_Next.
"""
from typing import Callable, List, Tuple

import Varnex2Python as vx
import varnex2_standin


def show(rows: List[Tuple[str, Callable[[], object]]]) -> None:
    for label, read in rows:
        print("  %-56s -> %r" % (label, read()))


def main() -> None:
    varnex2_standin.reset()
    manager = vx.ISolverManager.instance()
    editor = vx.EntityEditor(manager)  # from solver data: the editor works on its collection

    hx = editor.getEntity("HeatExchanger", "HX1")
    pump_id = editor.getEntityID("Pump", "Pump1")
    ua = editor.getAttribute(hx, "UA")
    print("Entities (%d in all, %d pipes):" % (editor.getNumberOfEntities(), editor.getNumberOfEntities("Pipe")))
    show([
        ("getEntityName(3)                    by index", lambda: editor.getEntityName(3)),
        ("getEntityName('Pipe', 1)            by type and index", lambda: editor.getEntityName("Pipe", 1)),
        ("getEntityID('Pipe', 'Pipe1', 1)     by type, name, index", lambda: editor.getEntityID("Pipe", "Pipe1", 1)),
        ("getEntityType(pump_id)              by identifier", lambda: editor.getEntityType(pump_id)),
        ("getEntityID(hx)                     by handle", lambda: editor.getEntityID(hx)),
        ("getEntityNumberOfAttributes(hx)     recursive count", lambda: editor.getEntityNumberOfAttributes(hx)),
        ("hasEntity('Pipe', 3)                a fourth pipe?", lambda: editor.hasEntity("Pipe", 3)),
    ])
    print("Attributes:")
    show([
        ("getDoubleValue('Pump', 'Pump1', 'Speed')", lambda: editor.getDoubleValue("Pump", "Pump1", "Speed")),
        ("getUnit(pump_id, 'Speed')", lambda: editor.getUnit(pump_id, "Speed")),
        ("getIntValue('Pump', 0, 2)      attribute 2 of pump 0", lambda: editor.getIntValue("Pump", 0, 2)),
        ("getAttributePath('Pump', 0, 2)", lambda: editor.getAttributePath("Pump", 0, 2)),
        ("getDoubleValue(hx, 'HotSide/InletTemperature')", lambda: editor.getDoubleValue(hx, "HotSide/InletTemperature")),
        ("getDoubleValue(ua)             by attribute handle", lambda: editor.getDoubleValue(ua)),
        ("getAttributePath(ua)", lambda: editor.getAttributePath(ua)),
        ("getAccessType('Pump', 'Pump1', 'Head') == ReadOnly",
         lambda: editor.getAccessType("Pump", "Pump1", "Head") == vx.AccessType_ReadOnly),
        ("hasAttribute('Pipe', 'Pipe2', 'Roughness')", lambda: editor.hasAttribute("Pipe", "Pipe2", "Roughness")),
    ])

    # Index arguments are plain ints, so the argument count and order choose the overload:
    # (type, name, int, int) is read as (type, name, attribute index, chronology).
    print("Four selectors in a row:")
    show([("getIntValue('Pump', 'Pump1', 2, Chronology_Current)",
           lambda: editor.getIntValue("Pump", "Pump1", 2, vx.Chronology_Current))])

    print("Nothing there (neutral answers, no exception):")
    show([
        ("getEntity('Pump', 'Pump9')", lambda: editor.getEntity("Pump", "Pump9")),
        ("getEntityID('Pump', 'Pump9')", lambda: editor.getEntityID("Pump", "Pump9")),
        ("getDoubleValue('Pump', 'Pump9', 'Speed')", lambda: editor.getDoubleValue("Pump", "Pump9", "Speed")),
        ("getUnit(None)", lambda: editor.getUnit(None)),
        ("hasAttribute('Pump', 'Pump1', 'Colour')", lambda: editor.hasAttribute("Pump", "Pump1", "Colour")),
    ])

    print("Writing at Next, then stepping:")
    editor.setDoubleValue("Pump", "Pump1", "Speed", 1500.0)
    editor.setIntValue(hx, "Passes", 4, vx.Chronology_Current)  # at Current: applies at once
    show([
        ("Speed at Current", lambda: editor.getDoubleValue("Pump", "Pump1", "Speed")),
        ("Speed at Next", lambda: editor.getDoubleValue("Pump", "Pump1", "Speed", vx.Chronology_Next)),
        ("Passes at Current", lambda: editor.getIntValue(hx, "Passes")),
    ])
    varnex2_standin.step()
    show([("Speed at Current after one step", lambda: editor.getDoubleValue("Pump", "Pump1", "Speed"))])


if __name__ == "__main__":
    main()
