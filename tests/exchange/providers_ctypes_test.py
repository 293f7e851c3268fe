#!/usr/bin/env python3
"""A host written in Python serves the remote data providers through ctypes,
using only the public C header and docs/remote-providers.md: it makes an
owner, has the library create its data module, reads two providers (each
packet compared with isql-fb), applies a delta of each kind to two of them,
frees the owner and checks that its handles are dead. Exits non-zero on a
mismatch.

Usage: providers_ctypes_test.py <path of libtolvaren.so> <source folder>"""
import ctypes
import os
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

TV_HOST_OK, TV_HOST_FAILED = 0, 1


class TVText(ctypes.Structure):
    _fields_ = [("data", ctypes.c_void_p), ("length", ctypes.c_size_t)]


THostCallback = ctypes.CFUNCTYPE(ctypes.c_int32, ctypes.c_void_p, ctypes.c_int32, ctypes.c_int32)
THostFillDataProc = ctypes.CFUNCTYPE(ctypes.c_int32, ctypes.c_int32, ctypes.c_void_p)
THostReportCallback = ctypes.CFUNCTYPE(ctypes.c_int32, ctypes.c_void_p, ctypes.c_int32, ctypes.c_void_p)
TVProviderProc = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_char_p)

ENGINE = {}
NAMES = ["DSPRepTTN", "DSPTRKHistory", "DSPRepLogTran", "DSPRepTTNID", "DSPRepCustomSQL",
         "DSPRepAllLogTran", "DSPRepDBConnect", "DSPRepTTNDet", "DSPRepScanDoc", "DSPRepScanDocTypes"]


def isql(db, sql):
    """Rows of `sql` as lists of texts, through isql-fb (one value a line)."""
    script = "SET HEADING OFF;\nSET LIST ON;\n" + sql + ";\n"
    out = subprocess.run(["isql-fb", "-q", "-ch", "WIN1251", "-u", "SYSDBA", db], input=script.encode("cp1251"),
                         stdout=subprocess.PIPE, check=True, env=ENGINE).stdout
    rows, row = [], []
    for line in out.decode("cp1251").splitlines():
        if not line.strip():
            if row:
                rows.append(row)
            row = []
            continue
        row.append(line.split(None, 1)[1] if len(line.split(None, 1)) > 1 else "")
    if row:
        rows.append(row)
    return rows


def packet_rows(packet, fields):
    root = ET.fromstring(packet.decode("cp1251").split("?>", 1)[1])
    return [[r.get(f, "<null>") for f in fields] for r in root.iter("ROW")]


def main(path, source):
    root = tempfile.mkdtemp(prefix="tolvaren-providers-")
    os.environ["TOLVAREN_ROOT"] = root
    os.makedirs(os.path.join(root, "c", "FUEL", "LogFiles"))
    db = os.path.join(root, "c", "FUEL", "DB", "Velmar.FDB")
    try:
        subprocess.run([os.path.join(source, "db", "create-sample-db"), "--root", root, "--only", "station"],
                       check=True, stdout=subprocess.DEVNULL)
        # isql-fb shares the engine folder that the library prepares under the root.
        engine = os.path.join(root, "firebird")
        ENGINE.update(os.environ, FIREBIRD=engine, FIREBIRD_LOCK=os.path.join(engine, "lock"))
        lib = ctypes.CDLL(path)
        lib.tv_variant_set_int.argtypes = [ctypes.c_void_p, ctypes.c_int32]
        lib.tv_variant_set_string.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_size_t]
        lib.tv_text_free.argtypes = [ctypes.POINTER(TVText)]
        lib.tv_last_error.restype = ctypes.c_char_p
        lib.InitReports.argtypes = [THostFillDataProc, THostCallback, THostReportCallback]
        lib.tv_owner_create.argtypes = [TVProviderProc, TVProviderProc, ctypes.c_void_p]
        lib.tv_owner_create.restype = ctypes.c_void_p
        lib.tv_owner_free.argtypes = [ctypes.c_void_p]
        lib.DCOMServerOnCreate.argtypes = [ctypes.c_void_p]
        lib.tv_provider_get_records.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.POINTER(TVText)]
        lib.tv_provider_apply_delta.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_size_t,
                                                ctypes.POINTER(TVText)]
        answers = {46: 0, 69: "C:\\FUEL\\DB\\Velmar.FDB"}

        def query(result, code, param):
            value = answers.get(code)
            if value is None:
                return TV_HOST_FAILED
            if isinstance(value, int):
                lib.tv_variant_set_int(result, value)
            else:
                data = value.encode("cp1251")
                lib.tv_variant_set_string(result, data, len(data))
            return TV_HOST_OK

        providers, registered, unregistered = {}, [], []

        def on_register(context, provider, name):
            registered.append(name.decode())
            providers[name.decode()] = provider

        callbacks = (THostFillDataProc(lambda kind, data: TV_HOST_OK), THostCallback(query),
                     THostReportCallback(lambda text, code, params: TV_HOST_OK),
                     TVProviderProc(on_register),
                     TVProviderProc(lambda context, provider, name: unregistered.append(name.decode())))
        if lib.InitReports(*callbacks[:3]) != 1:
            return "InitReports failed: " + lib.tv_last_error().decode("cp1251")
        owner = lib.tv_owner_create(callbacks[3], callbacks[4], None)
        lib.DCOMServerOnCreate(owner)
        if registered != NAMES:
            return "registered %r" % registered

        def read(name, sql=None):
            text = TVText()
            ok = lib.tv_provider_get_records(providers[name], sql, ctypes.byref(text))
            data = ctypes.string_at(text.data, text.length) if text.data else b""
            lib.tv_text_free(ctypes.byref(text))
            if ok != 1:
                raise RuntimeError(name + ": " + lib.tv_last_error().decode("cp1251"))
            return data

        def apply(name, delta):
            data = delta.encode("cp1251")
            text = TVText()
            if lib.tv_provider_apply_delta(providers[name], data, len(data), ctypes.byref(text)) != 1:
                raise RuntimeError(name + ": " + lib.tv_last_error().decode("cp1251"))
            result = ET.fromstring(ctypes.string_at(text.data, text.length).decode("cp1251").split("?>", 1)[1])
            lib.tv_text_free(ctypes.byref(text))
            return [(r.get("applied"), r.get("error")) for r in result.iter("RECORD")]

        got = packet_rows(read("DSPRepScanDocTypes"), ["ID", "NAME"])
        want = isql(db, "SELECT ID, NAME FROM SCANDOCTYPES ORDER BY 1")
        if got != want:
            return "DSPRepScanDocTypes %r, isql %r" % (got, want)
        got = packet_rows(read("DSPRepTTN"), ["TTN_ID", "TTNNUMBER"])
        want = [[a, b if b != "<null>" else "<null>"] for a, b in
                isql(db, "SELECT TTN_ID, TTNNUMBER FROM TTN ORDER BY TTN_ID DESC")]
        if got != want:
            return "DSPRepTTN %r, isql %r" % (got, want)

        outcome = apply("DSPRepScanDocTypes",
                        '<?xml version="1.0" encoding="windows-1251"?><DELTA>'
                        '<RECORD kind="insert"><FIELD name="ID" new="77"/><FIELD name="NAME" new="Акт сверки"/></RECORD>'
                        '<RECORD kind="modify"><FIELD name="ID" old="77"/><FIELD name="NAME" old="Акт сверки" new="Акт"/></RECORD>'
                        '<RECORD kind="delete"><FIELD name="ID" old="77"/></RECORD>'
                        '<RECORD kind="modify"><FIELD name="ID" old="77"/><FIELD name="NOPE" new="1"/></RECORD>'
                        '</DELTA>')
        if [a for a, _ in outcome] != ["true", "true", "true", "false"] or "NOPE" not in outcome[3][1]:
            return "SCANDOCTYPES outcome %r" % outcome
        if isql(db, "SELECT NAME FROM SCANDOCTYPES WHERE ID = 77") != [["Акт"]]:
            return "SCANDOCTYPES row 77: %r" % isql(db, "SELECT NAME FROM SCANDOCTYPES WHERE ID = 77")
        first = isql(db, "SELECT FIRST 1 TTN_ID FROM TTN ORDER BY TTN_ID")[0][0]
        outcome = apply("DSPRepTTN", '<DELTA><RECORD kind="modify"><FIELD name="TTN_ID" old="%s"/>'
                        '<FIELD name="ALLSUMMATEXT" old="x" new="\'; DELETE FROM TTN; --"/>'
                        '<FIELD name="PLIST" old="x" newnull="true"/></RECORD>'
                        '<RECORD kind="delete"><FIELD name="TTN_ID" old="%s"/></RECORD></DELTA>' % (first, first))
        if outcome != [("true", None), ("true", None)]:
            return "TTN outcome %r" % outcome
        row = isql(db, "SELECT ALLSUMMATEXT, PLIST, ISDELETE, INDEXSALE, TTNAPPLIED FROM TTN WHERE TTN_ID = " + first)
        if row != [["'; DELETE FROM TTN; --", "<null>", "1", "0", "0"]]:
            return "TTN row %r" % row

        if lib.tv_owner_free(owner) != 1 or unregistered != NAMES:
            return "unregistered %r" % unregistered
        text = TVText()
        if lib.tv_provider_get_records(providers["DSPRepTTN"], None, ctypes.byref(text)) != 0:
            return "a freed provider answered"
        if lib.tv_owner_free(owner) != 0 or not lib.tv_last_error():
            return "an owner was freed twice"
        return None
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    failure = main(sys.argv[1], sys.argv[2])
    if failure:
        print(failure)
        sys.exit(1)
    print("ok")
