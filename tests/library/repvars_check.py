#!/usr/bin/env python3
"""A host in Python reads the report variable catalogue: loads libtolvaren.so
with ctypes, calls GetReportVars before InitReports, decodes the UTF-16 text,
encodes it with Python's own Windows-1251 codec and compares the bytes with
the expected file; checks the code points of the non-ASCII signs and reads
the text with configparser (keys keep their case, "=" is the only
delimiter, no interpolation, duplicate keys fail). Prints one "ok" line.

Usage: repvars_check.py <path of libtolvaren.so> <expected Windows-1251 file>"""
import configparser
import ctypes
import os
import shutil
import sys
import tempfile


def exported_text(path):
    lib = ctypes.CDLL(path)
    lib.GetReportVars.restype = ctypes.POINTER(ctypes.c_uint16)
    lib.tv_wide_free.argtypes = [ctypes.POINTER(ctypes.c_uint16)]
    texts = []
    for _ in range(2):
        p = lib.GetReportVars()
        if not p:
            sys.exit("GetReportVars returned nothing")
        n = 0
        while p[n] != 0:
            n += 1
        texts.append(ctypes.string_at(p, 2 * n).decode("utf-16-le"))
        lib.tv_wide_free(p)
    if texts[0] != texts[1]:
        sys.exit("two calls gave different texts")
    return texts[0]


def main(path, expected_file):
    root = tempfile.mkdtemp(prefix="tolvaren-repvars-")
    os.environ["TOLVAREN_ROOT"] = root
    try:
        text = exported_text(path)
    finally:
        shutil.rmtree(root, ignore_errors=True)
    with open(expected_file, "rb") as f:
        expected = f.read()
    if text.encode("cp1251") != expected:
        sys.exit("the exported text differs from the library's Windows-1251 bytes")
    for sign, code in (("№", 0x2116), ("°", 0xB0), ("«", 0xAB), ("»", 0xBB), ("–", 0x2013)):
        if ord(sign) != code or sign not in text:
            sys.exit("missing U+%04X" % code)
    if "(=SBegL + SPrx \u2013 SiloSm - SEndL)" not in text:
        sys.exit("the en dash of the Pog description is wrong")

    ini = configparser.ConfigParser(delimiters=("=",), interpolation=None, strict=True,
                                    comment_prefixes=(), empty_lines_in_values=False)
    ini.optionxform = str
    ini.read_string(text)
    sections = ini.sections()
    reports = ["RepDesc%d" % n for n in range(1, 38)]
    if sections != ["RepVarTypes", "main", "CommonVars"] + reports:
        sys.exit("sections: %r" % sections)
    if dict(ini["main"]) != {"RepCount": "37"}:
        sys.exit("main: %r" % dict(ini["main"]))
    variables = 0
    for name in ["CommonVars"] + reports:
        keys = list(ini[name])
        count = sum(1 for k in keys if k[0] == "v" and k[1:].isdigit())
        if keys[:3] != ["RepName", "RepFileName", "VarCnt"] or ini[name]["VarCnt"] != str(count):
            sys.exit("%s: VarCnt %s, %d variables" % (name, ini[name].get("VarCnt"), count))
        variables += count
    print("ok %d sections, RepCount %s, %d variables" % (len(sections), ini["main"]["RepCount"],
                                                         variables))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
