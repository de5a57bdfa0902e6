"""Controls of the stand-in exchange library libVarnex2.

The stand-in library serves an in-memory model and solver run in place of the real
exchange library, so that scripts using ``_Varnex2Python`` can be tested and tried
offline. This package drives that very library instance (through its C control API):
load a model, step the run, make raw slots fail, record raw calls and read the messages
that scripts showed.

Library lookup, first match wins:

0. a ``libVarnex2.so`` already loaded in the process (by the extension module), so that
   the controls never act on a second instance (a warning says so when
   ``VARNEX2_LIBRARY`` names another file);
1. the path in the environment variable ``VARNEX2_LIBRARY``;
2. ``libVarnex2.so`` in the directory above this package (site-packages root, where the
   wheel installs it next to the extension module);
3. ``libVarnex2.so`` next to an already imported ``_Varnex2Python``;
4. whatever the dynamic loader finds under the name ``libVarnex2.so``.

Loading the same file a second time gives the already loaded instance, so these
controls act on the library that the extension module uses.

The controls may be called from any thread while others use the module: they hold the
interpreter lock while the library works (as the module's calls do), so the two never
overlap, and the module's calls pay nothing for it.
"""
import collections
import ctypes
import gc
import json
import os
import struct
import sys
import warnings

__all__ = [
    "ModelError", "library_path", "load_model", "check_model", "reset", "dump_model", "run_state",
    "set_manager_available", "manager_available", "manager_address", "collection_address",
    "address_of", "fail_next", "clear_failures", "record_calls", "calls", "clear_calls",
    "step", "messages", "clear_messages", "restart", "set_residual", "solver_writes",
    "RUNTIME_ERROR", "LOGIC_ERROR", "OUT_OF_RANGE", "GENERIC", "UNKNOWN",
]

# Failure statuses of raw slots.
RUNTIME_ERROR = -2
LOGIC_ERROR = -3
OUT_OF_RANGE = -4
GENERIC = -5
UNKNOWN = -6

_NAME = "libVarnex2.so"


class ModelError(ValueError):
    """A model that the stand-in library cannot use; the message names the place."""


def _candidates():
    override = os.environ.get("VARNEX2_LIBRARY")
    if override:
        yield override
        return
    here = os.path.dirname(os.path.abspath(__file__))
    yield os.path.join(os.path.dirname(here), _NAME)
    module = sys.modules.get("_Varnex2Python")
    if module is not None and getattr(module, "__file__", None):
        yield os.path.join(os.path.dirname(os.path.abspath(module.__file__)), _NAME)


def _already_loaded():
    """Paths of libVarnex2.so files mapped into this process (Linux), in first-seen order."""
    found = []
    try:
        with open("/proc/self/maps") as maps:
            for line in maps:
                fields = line.split(None, 5)  # anonymous mappings have no sixth field
                path = fields[5].strip() if len(fields) == 6 else ""
                if os.path.basename(path) == _NAME and path not in found:
                    found.append(path)
    except OSError:
        pass
    return found


def _same_file(a, b):
    try:
        return os.path.samefile(a, b)
    except OSError:
        return False


def _open(path):
    # PyDLL: calls keep the interpreter lock, so a control never runs while another thread
    # is inside a module call (ctypes.CDLL would release the lock around each call).
    return ctypes.PyDLL(path)


def _load():
    loaded = _already_loaded()
    if loaded:
        override = os.environ.get("VARNEX2_LIBRARY")
        if override and not _same_file(override, loaded[0]):
            warnings.warn("VARNEX2_LIBRARY names %s, but %s is already loaded; its instance is used"
                          % (override, loaded[0]), RuntimeWarning, stacklevel=3)
        return _open(loaded[0]), loaded[0]
    tried = []
    for path in _candidates():
        if os.path.isfile(path):
            return _open(os.path.abspath(path)), os.path.abspath(path)
        tried.append(path)
    if os.environ.get("VARNEX2_LIBRARY"):
        raise ImportError("VARNEX2_LIBRARY names no file: %s" % os.environ["VARNEX2_LIBRARY"])
    try:
        return _open(_NAME), _NAME
    except OSError as error:
        raise ImportError("cannot find %s (looked at %s): %s" % (_NAME, ", ".join(tried), error))


_lib, _path = _load()

_size_t = ctypes.c_size_t
_p = ctypes.POINTER


def _unavailable(*args):
    raise RuntimeError("%s has no stand-in control API: it is not the stand-in library, "
                       "these controls cannot act on it" % _path)


def _declare(name, restype, *argtypes):
    # A host's library has the entry point but no controls: importing still works, using them fails.
    function = getattr(_lib, "varnex2_standin_" + name, _unavailable)
    if function is _unavailable:
        return function
    function.restype = restype
    function.argtypes = list(argtypes)
    return function


_api_version = _declare("api_version", ctypes.c_int)
_last_error = _declare("last_error", ctypes.c_char_p)
_reset = _declare("reset", ctypes.c_int)
_load_text = _declare("load_model_text", ctypes.c_int, ctypes.c_char_p, _size_t)
_load_file = _declare("load_model_file", ctypes.c_int, ctypes.c_char_p)
_check_text = _declare("check_model_text", ctypes.c_int, ctypes.c_char_p, _size_t)
_check_file = _declare("check_model_file", ctypes.c_int, ctypes.c_char_p)
_problem = _declare("problem", ctypes.c_int, _size_t, _p(ctypes.c_void_p), _p(_size_t))
_dump = _declare("dump_model", ctypes.c_void_p, _p(_size_t))
_default_text = _declare("default_model_text", ctypes.c_void_p, _p(_size_t))
_set_residual = _declare("set_residual", ctypes.c_int, ctypes.c_double)
_solver_writes = _declare("solver_writes", ctypes.c_int, ctypes.c_int)
_run_state = _declare("run_state", ctypes.c_void_p, _p(_size_t))
_set_available = _declare("set_manager_available", None, ctypes.c_int)
_available = _declare("manager_available", ctypes.c_int)
_manager = _declare("manager", ctypes.c_void_p)
_collection = _declare("collection", ctypes.c_void_p)
_find = _declare("find", ctypes.c_void_p, ctypes.c_char_p, _size_t)
_fail_next = _declare("fail_next", ctypes.c_int, ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                      ctypes.c_char_p, _size_t, ctypes.c_int, ctypes.c_int, ctypes.c_int)
_clear_failures = _declare("clear_failures", None)
_record = _declare("record_calls", None, ctypes.c_int)
_calls_packed = _declare("calls_packed", ctypes.c_void_p, _p(_size_t))
_clear_calls = _declare("clear_calls", None)
_step = _declare("step", ctypes.c_int, ctypes.c_int)
_message_count = _declare("message_count", _size_t)
_message = _declare("message", ctypes.c_int, _size_t, _p(ctypes.c_int), _p(ctypes.c_void_p), _p(_size_t))
_clear_messages = _declare("clear_messages", None)

if _api_version is not _unavailable and _api_version() != 1:
    raise ImportError("%s has control API version %d, this package needs 1" % (_path, _api_version()))


def _text(pointer, length):
    return ctypes.string_at(pointer, length).decode("utf-8", "surrogateescape") if length else ""


def _error():
    return (_last_error() or b"").decode("utf-8", "replace")


def library_path():
    """Path (or loader name) of the library instance these controls act on."""
    return _path


# What the current model was loaded from, so that restart() can load it again: ("text",
# bytes) or ("file", path); None for the built-in model.
_source = ("file", os.fsencode(os.environ["VARNEX2_MODEL"])) if os.environ.get("VARNEX2_MODEL") else None


# Whether run() played on the current model since it was loaded: the next run() starts it afresh.
_played = False


def reset():
    """Back to the built-in model with a fresh run: no armed failures, no recorded calls
    or messages, recording off, manager available."""
    global _source, _played
    _reset()
    _source, _played = None, False


def restart():
    """A fresh run of the current model as it was loaded (the built-in model, the model
    file read again, the same text or dict): values and run counters as at the load.
    Unlike reset(), armed failures, recorded calls and messages stay."""
    global _played
    if _source is None:
        length = _size_t()
        pointer = _default_text(ctypes.byref(length))
        status = _load_text(ctypes.string_at(pointer, length.value), length.value)
    elif _source[0] == "text":
        status = _load_text(_source[1], len(_source[1]))
    else:
        status = _load_file(_source[1])
    if status != 0:
        raise ModelError(_error())
    _played = False


class _Token(str):
    """Text that _deep_json writes as it is."""


def _deep_json(value):
    """JSON text of value without recursion, for documents nested deeper than json.dumps
    goes; the library then accepts them or says where they nest too deep."""
    parts, stack = [], [value]
    while stack:
        item = stack.pop()
        if isinstance(item, _Token):
            parts.append(item)
        elif isinstance(item, dict):
            pending = []
            for n, (key, inner) in enumerate(item.items()):
                if not isinstance(key, str):
                    raise TypeError("keys must be str, not %s" % type(key).__name__)
                pending += [_Token(("," if n else "") + json.dumps(key) + ":"), inner]
            stack += [_Token("}")] + pending[::-1] + [_Token("{")]
        elif isinstance(item, (list, tuple)):
            pending = []
            for n, inner in enumerate(item):
                pending += [_Token(",")] * (n > 0) + [inner]
            stack += [_Token("]")] + pending[::-1] + [_Token("[")]
        else:
            parts.append(json.dumps(item))
    return "".join(parts)


_UTF8_BOM = b"\xef\xbb\xbf"


def _is_json_text(source):
    """Whether a str or bytes source is JSON text (starts with "{", after an optional byte
    order mark and blanks) rather than a path."""
    if isinstance(source, str):
        return source.lstrip("\ufeff").lstrip()[:1] == "{"
    if isinstance(source, bytes):
        return source[len(_UTF8_BOM):].lstrip()[:1] == b"{" if source.startswith(_UTF8_BOM) else \
            source.lstrip()[:1] == b"{"
    return False


def _with_source(source, on_text, on_file, caller):
    """on_text(data, length) for a dict or JSON text, else on_file(path); its result."""
    if isinstance(source, dict):
        try:
            text = json.dumps(source)
        except RecursionError:
            text = _deep_json(source)
        data = text.encode("utf-8")
        return on_text(data, len(data))
    if _is_json_text(source):
        # Lone surrogates pass as the bytes they stand for; the parser says where they are.
        data = source.encode("utf-8", "surrogatepass") if isinstance(source, str) else source
        return on_text(data, len(data))
    if isinstance(source, (str, bytes, os.PathLike)):
        try:
            path = os.fsencode(source)
        except UnicodeError:
            raise ModelError("cannot read model file %r: the path cannot be encoded" % (source,)) from None
        if b"\0" in path:
            raise ModelError("cannot read model file %r: the path contains a NUL character" % (source,))
        return on_file(path)
    raise TypeError("%s() takes a dict, JSON text or a path, not %s" % (caller, type(source).__name__))


def load_model(source):
    """Replace the model and the run state.

    ``source`` is a dict (the model), JSON text (str or bytes starting with ``{``, after an
    optional byte order mark) or the path of a model file (str, bytes or os.PathLike).
    Raises ModelError, and keeps the current model, when the model cannot be used.
    """
    global _source, _played
    loaded = []  # what was read, for restart()

    def text(data, length):
        loaded.append(("text", data))
        return _load_text(data, length)

    def file(path):
        loaded.append(("file", path))
        return _load_file(path)

    if _with_source(source, text, file, "load_model") != 0:
        raise ModelError(_error())
    _source, _played = loaded[0], False


def _load_keeping_source(document):
    """Loads a model document (the current model with other start values) in place of the
    current model; restart() still goes back to what was loaded last."""
    data = json.dumps(document).encode("utf-8")
    if _load_text(data, len(data)) != 0:
        raise ModelError(_error())


def check_model(source):
    """Every problem that ``load_model(source)`` would meet, in the order met, as texts
    "place: what" (for a file without its path in front); empty when the model loads. The
    first is the message of load_model's ModelError. The current model stays."""
    try:
        count = _with_source(source, _check_text, _check_file, "check_model")
    except ModelError as error:
        return [str(error)]
    found = []
    for index in range(count):
        pointer, length = ctypes.c_void_p(), _size_t()
        _problem(index, ctypes.byref(pointer), ctypes.byref(length))
        found.append(ctypes.string_at(pointer, length.value).decode("utf-8", "replace"))
    return found


def _json(function):
    length = _size_t()
    pointer = function(ctypes.byref(length))
    return json.loads(_text(pointer, length.value))


def dump_model():
    """The current model and run as a model-file dict (load_model accepts it back)."""
    return _json(_dump)


def run_state():
    """The run at the current moment: counters, times, residual and the run's flags."""
    return _json(_run_state)


def set_manager_available(flag):
    """When False, the library's entry point returns null (no solver manager)."""
    _set_available(1 if flag else 0)


def manager_available():
    return bool(_available())


def manager_address():
    """Native address of the solver manager (also while it is withheld)."""
    return _manager()


def collection_address():
    """Native address of the entity collection."""
    return _collection()


def _encoded(control, name, text):
    """UTF-8 bytes of a text argument (bytes that are not UTF-8 pass as their escapes stand
    for); ValueError naming the argument for a lone surrogate that stands for no byte."""
    try:
        return text.encode("utf-8", "surrogateescape")
    except UnicodeEncodeError as error:
        raise ValueError("%s: %s %r cannot be encoded as UTF-8 (lone surrogate at position %d)"
                         % (control, name, text, error.start)) from None


def address_of(full_path):
    """Native address of the entity or attribute at ``full_path`` ("Root/Child/Attr"), or None."""
    data = _encoded("address_of", "full_path", full_path)
    return _find(data, len(data))


def fail_next(address, slot, status, message="", count=1, message_fails=False, write_out=False):
    """Make the next ``count`` calls of raw slot ``slot`` on the object at native address
    ``address`` (``int(proxy)`` of a library object) return ``status`` and leave
    ``message`` as that object's last error message.

    ``message_fails``: the message query (slot 1) that follows a failure fails too.
    ``write_out``: the out-value is written (non-zero numbers, partial text, a pointer to
    a decoy entity) before failing. Several arms on one slot are used in order.
    Raises ValueError for an address that is not the manager, the collection or an
    object of the current model.
    """
    if address is None:
        raise ValueError("fail_next() needs the address of a library object, not None")
    address = int(address)
    if not 0 < address < 1 << 64:
        raise ValueError("fail_next: %#x is not an object of the current model" % address)
    data = _encoded("fail_next", "message", message) if isinstance(message, str) else bytes(message)
    if _fail_next(address, int(slot), int(status), data, len(data), int(count),
                  1 if message_fails else 0, 1 if write_out else 0) != 0:
        raise ValueError(_error())


def clear_failures():
    """Disarm every failure armed by fail_next()."""
    _clear_failures()


def record_calls(flag=True):
    """Start (True) or stop (False) recording raw calls; the record is kept until clear_calls()."""
    _record(1 if flag else 0)


# struct codes of the argument kinds in the packed record: integer, flag, real, text (its
# index), identifier pair, unsigned size.
_ARG_CODES = {0: "q", 1: "?", 2: "d", 3: "Q", 4: "qq", 5: "Q"}
_COUNTS = struct.Struct("=3Q")
_GROUP = struct.Struct("=2Q")


def _texts(data, offset, count):
    """The text arguments (each stored with a NUL after it) and the offset after them."""
    lengths = struct.unpack_from("=%dQ" % count, data, offset)
    offset += 8 * count
    end = offset + sum(lengths) + count
    # One decode for all when no text holds a NUL itself; UTF-8 resynchronises at each NUL,
    # so the bytes that are not UTF-8 come out as they would text by text.
    texts = data[offset:end].decode("utf-8", "surrogateescape").split("\0")
    if len(texts) != count + 1:
        texts = []
        for length in lengths:
            texts.append(data[offset:offset + length].decode("utf-8", "surrogateescape"))
            offset += length + 1
    return texts, end


def _unpack_calls(data):
    """The calls of a packed record (layout in varnex2_standin.h), unpacked group by group
    with one record layout each."""
    count, text_count, group_count = _COUNTS.unpack_from(data)
    texts, offset = _texts(data, _COUNTS.size, text_count)
    result = [None] * count
    view = memoryview(data)
    for _ in range(group_count):
        kind_count, record_count = _GROUP.unpack_from(data, offset)
        offset += _GROUP.size
        kinds = data[offset:offset + kind_count]
        offset += kind_count
        order = struct.unpack_from("=%dQ" % record_count, data, offset)
        offset += 8 * record_count
        layout = struct.Struct("=Qi" + "".join(_ARG_CODES[kind] for kind in kinds))
        end = offset + layout.size * record_count
        records = layout.iter_unpack(view[offset:end])
        offset = end
        if 3 not in kinds and 4 not in kinds:  # numbers only: the fields are the arguments
            for index, record in zip(order, records):
                result[index] = (record[0], record[1], record[2:])
            continue
        # Texts and pairs are put in place column by column, by the interpreter's own loops.
        columns = list(zip(*records))
        args, n = [], 2
        for kind in kinds:
            if kind == 4:
                args.append(zip(columns[n], columns[n + 1]))
                n += 2
            else:
                args.append(map(texts.__getitem__, columns[n]) if kind == 3 else columns[n])
                n += 1
        collections.deque(map(result.__setitem__, order, zip(columns[0], columns[1], zip(*args))), maxlen=0)
    return result


def calls():
    """Recorded raw calls as ``(address, slot, args)``; args are the call's by-value
    arguments in slot parameter order (chronologies, flags and indices as int or bool,
    values as int, float or str, identifiers as a pair of ints)."""
    length = _size_t()
    data = ctypes.string_at(_calls_packed(ctypes.byref(length)), length.value)
    # A million calls make a million tuples of numbers, none of which can be part of a
    # cycle: the collector's passes over them would cost more than building them.
    enabled = gc.isenabled()
    gc.disable()
    try:
        return _unpack_calls(data)
    finally:
        if enabled:
            gc.enable()


def clear_calls():
    _clear_calls()


def step(iterations=1):
    """Advance the run: writes made at Next become current, then up to ``iterations``
    iterations run. Returns how many ran (fewer once the run has finished or was stopped)."""
    done = _step(int(iterations))
    if done < 0:
        raise ValueError(_error())
    return done


def set_residual(residual):
    """Replaces the residual of the current iteration (convergence follows it), as a
    replayed run does; ValueError for a negative or NaN residual."""
    if _set_residual(float(residual)) != 0:
        raise ValueError(_error())


class solver_writes:
    """Context manager: inside it, value writes ignore the attributes' access, as the
    solver's own writes do (plants write results that scripts may only read)."""

    def __enter__(self):
        self._previous = _solver_writes(1)
        return self

    def __exit__(self, *exc_info):
        _solver_writes(self._previous)
        return False


def messages():
    """Texts shown so far, as ``(kind, text)`` with kind "message" (showMessage) or
    "informational" (showInformational)."""
    result = []
    for index in range(_message_count()):
        kind = ctypes.c_int()
        text = ctypes.c_void_p()
        length = _size_t()
        _message(index, ctypes.byref(kind), ctypes.byref(text), ctypes.byref(length))
        result.append(("message" if kind.value == 0 else "informational", _text(text.value, length.value)))
    return result


def clear_messages():
    _clear_messages()


# The offline runner loads on first use, so that importing the controls stays cheap.
_RUNNER_NAMES = {"run": "runner", "ScriptError": "runner", "History": "history", "sweep": "sweep",
                 "SweepResult": "sweep"}


def __getattr__(name):
    if name not in _RUNNER_NAMES:
        raise AttributeError("module %r has no attribute %r" % (__name__, name))
    from importlib import import_module

    value = globals()[name] = getattr(import_module(__name__ + "." + _RUNNER_NAMES[name]), name)
    return value
