#!/usr/bin/env python3
"""A host written in Python drives libtolvaren.so through ctypes, using only
the public C header's contract: InitReports with three callbacks, one report
request, then the HTML version with code '7'. Exits non-zero on a mismatch.

Usage: ctypes_host_test.py <path of libtolvaren.so> <source folder>"""
import ctypes
import os
import shutil
import subprocess
import sys
import tempfile

TV_VT_INTEGER, TV_VT_STRING, TV_VT_ARRAY = 3, 0x100, 0x2000
TV_HOST_OK, TV_HOST_FAILED = 0, 1


class TVVariant(ctypes.Structure):
    pass


class _Str(ctypes.Structure):
    _fields_ = [("ptr", ctypes.c_void_p), ("len", ctypes.c_size_t)]


class _Arr(ctypes.Structure):
    _fields_ = [("items", ctypes.POINTER(TVVariant)), ("dims", ctypes.c_int32),
                ("bounds", ctypes.c_int32 * 4)]


class _U(ctypes.Union):
    _fields_ = [("i", ctypes.c_int32), ("i64", ctypes.c_int64), ("d", ctypes.c_double),
                ("str", _Str), ("arr", _Arr)]


TVVariant._fields_ = [("vt", ctypes.c_uint16), ("flags", ctypes.c_uint16),
                      ("reserved", ctypes.c_uint32), ("u", _U)]


class TVText(ctypes.Structure):
    _fields_ = [("data", ctypes.c_void_p), ("length", ctypes.c_size_t)]


THostCallback = ctypes.CFUNCTYPE(ctypes.c_int32, ctypes.POINTER(TVVariant), ctypes.c_int32,
                                 ctypes.c_int32)
THostFillDataProc = ctypes.CFUNCTYPE(ctypes.c_int32, ctypes.c_int32, ctypes.c_void_p)
THostReportCallback = ctypes.CFUNCTYPE(ctypes.c_int32, ctypes.POINTER(TVText), ctypes.c_int32,
                                       ctypes.POINTER(TVVariant))


def text_of(t):
    return b"" if not t.data else ctypes.string_at(t.data, t.length)


def main(path, source):
    root = tempfile.mkdtemp(prefix="tolvaren-ctypes-")
    os.environ["TOLVAREN_ROOT"] = root
    os.makedirs(os.path.join(root, "c", "FUEL", "LogFiles"))
    try:
        # The station database the request opens: the sample one.
        subprocess.run([os.path.join(source, "db", "create-sample-db"), "--root", root], check=True,
                       stdout=subprocess.DEVNULL)
        lib = ctypes.CDLL(path)
        lib.tv_variant_set_int.argtypes = [ctypes.POINTER(TVVariant), ctypes.c_int32]
        lib.tv_variant_set_string.argtypes = [ctypes.POINTER(TVVariant), ctypes.c_char_p, ctypes.c_size_t]
        lib.tv_variant_set_array.argtypes = [ctypes.POINTER(TVVariant)] + [ctypes.c_int32] * 5
        lib.tv_variant_item.argtypes = [ctypes.POINTER(TVVariant), ctypes.c_int32]
        lib.tv_variant_item.restype = ctypes.POINTER(TVVariant)
        lib.tv_variant_clear.argtypes = [ctypes.POINTER(TVVariant)]
        lib.tv_text_free.argtypes = [ctypes.POINTER(TVText)]
        lib.tv_last_error.restype = ctypes.c_char_p
        lib.InitReports.argtypes = [THostFillDataProc, THostCallback, THostReportCallback]
        lib.GetReportsInStringEx.argtypes = [ctypes.c_int32, ctypes.POINTER(TVVariant),
                                             ctypes.POINTER(TVText)]

        questions = []
        answers = {46: 3, 88: 2, 9: 2, 56: 1, 5: "C:\\FUEL\\DB\\", 87: "грн."}

        def query(result, code, param):
            questions.append((code, param))
            value = answers.get(code)
            if value is None:
                return TV_HOST_FAILED
            if isinstance(value, int):
                lib.tv_variant_set_int(result, value)
            else:
                data = value.encode("cp1251")
                lib.tv_variant_set_string(result, data, len(data))
            return TV_HOST_OK

        # The callbacks must outlive every call that may use them.
        callbacks = (THostFillDataProc(lambda kind, data: TV_HOST_OK), THostCallback(query),
                     THostReportCallback(lambda text, code, params: TV_HOST_OK))
        if lib.InitReports(*callbacks) != 1:
            return "InitReports failed: " + lib.tv_last_error().decode("cp1251")
        if [c for c, _ in questions][:3] != [46, 87, 88] or questions[1] != (87, 3):
            return "InitReports asked %r" % questions

        params = TVVariant()
        lib.tv_variant_set_array(ctypes.byref(params), 1, 0, 0, 0, 0)
        lib.tv_variant_set_int(lib.tv_variant_item(ctypes.byref(params), 0), 14)
        text = TVText()
        result = lib.GetReportsInStringEx(ord("#"), ctypes.byref(params), ctypes.byref(text))
        lib.tv_variant_clear(ctypes.byref(params))
        report = text_of(text)
        lib.tv_text_free(ctypes.byref(text))
        if (result, report) != (1, b"OK"):
            return "ping gave %r %r" % (result, report.decode("cp1251"))

        html = TVText()
        result = lib.GetReportsInStringEx(ord("7"), None, ctypes.byref(html))
        last = text_of(html).decode("cp1251")
        lib.tv_text_free(ctypes.byref(html))
        if (result, last) != (1, "HTML-отчет не сформирован!"):
            return "'7' gave %r %r" % (result, last)
        return None
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    failure = main(sys.argv[1], sys.argv[2])
    if failure:
        print(failure)
        sys.exit(1)
    print("ok")
