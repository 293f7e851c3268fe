#!/usr/bin/env python3
"""Exchange files made and read without Tolvaren's code, from docs/exchange-file.md alone.

    exchange_file.py write OUT.zip [--rows N] [--first ID] [--fault KIND]
    exchange_file.py read ARCHIVE          prints the rows as isql-fb would print them
    exchange_file.py packet FILE           the same for a bare data packet (a provider's)

`write` makes a packet of N office waybills (ids FIRST..), packs it with Info-ZIP `zip`
and, for a fault, damages the packet or the archive. `read` checks the archive with
Python's zipfile and the packet with Python's XML parser (its declared encoding, the
first line, CR LF line ends) and prints one line per value: ROW<TAB>COLUMN<TAB>VALUE,
values in isql-fb's notation (NUMERIC with its 4 decimals, TIMESTAMP
"yyyy-mm-dd hh:nn:ss.ffff", "<null>" for NULL; BLOB text as it is).
"""

import base64
import os
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zipfile

DECLARATION = b'<?xml version="1.0" encoding="windows-1251" standalone="yes"?>'
FIELDS = [("TTN_ID", "i4", ""), ("OFCTTNID", "i4", ""), ("ISDELETE", "i4", ""),
          ("TTNSER", "string", ' WIDTH="10"'), ("TTNNUMBER", "string", ' WIDTH="20"'),
          ("TTNDATE", "dateTime", ""), ("NADB", "fixed", ' DECIMALS="4" WIDTH="18"'),
          ("BOSSFIO", "string", ' WIDTH="100"'), ("VARLIST", "bin.hex", ' SUBTYPE="Text"'),
          ("NAME1", "string", ' WIDTH="255"'), ("COUNT1", "fixed", ' DECIMALS="4" WIDTH="18"'),
          ("INDEXSALE", "i4", ""), ("PRESSURE1", "fixed", ' DECIMALS="4" WIDTH="18"')]


def esc(text):
    text = (text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
            .replace('"', "&quot;").replace("'", "&apos;"))
    return text.replace("\t", "&#9;").replace("\n", "&#10;").replace("\r", "&#13;")


def row_values(office_id, k):
    return {
        "TTN_ID": str(office_id), "OFCTTNID": str(office_id), "ISDELETE": "0",
        "TTNSER": "АБ", "TTNNUMBER": f"{k:06d}", "TTNDATE": f"20240301T08:{k % 60:02d}:07123{k % 10}",
        "NADB": f"{k}.{k % 10000:04d}", "BOSSFIO": "" if k % 2 else "Орлов В. А. «директор»",
        "VARLIST": base64.b64encode(f"Прим=Примечание|Рейс {k}\r\nГруз=Груз|<ДТ> & \"налив\"".encode("cp1251")).decode(),
        "NAME1": f"Топливо ДТ-{k}", "COUNT1": "123.4567", "INDEXSALE": str(1000 + k),
    }


def packet(rows, fields=FIELDS, prologue=b""):
    head = "".join(f'<FIELD attrname="{n}" fieldtype="{t}"{extra}/>' for n, t, extra in fields)
    body = []
    for values in rows:
        attrs = "".join(f' {n}="{esc(v)}"' for n, v in values.items() if v is not None)
        body.append(f"<ROW{attrs}/>")
    text = ('<DATAPACKET Version="2.0"><METADATA><FIELDS>' + head + "</FIELDS><PARAMS/></METADATA>"
            "<ROWDATA>\r\n" + "\r\n".join(body) + "\r\n</ROWDATA></DATAPACKET>")
    return DECLARATION + b"\r\n" + prologue + text.encode("cp1251") + b"\r\n"


def zip_entry(archive, folder, name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)
    subprocess.run(["zip", "-q", "-j", "-6", archive, os.path.join(folder, name)], check=True)


def write(out, count, first, fault):
    rows = [row_values(first + k, k) for k in range(count)]
    fields, prologue = FIELDS, b""
    if fault == "no-ofcttnid":
        fields = [f for f in FIELDS if f[0] != "OFCTTNID"]
        for r in rows:
            del r["OFCTTNID"]
    elif fault == "text-ofcttnid":
        fields = [("OFCTTNID", "string", ' WIDTH="20"') if f[0] == "OFCTTNID" else f for f in FIELDS]
        rows[-1]["OFCTTNID"] = "1) OR (1=1"
    elif fault == "null-ofcttnid":
        rows[-1]["OFCTTNID"] = None
    elif fault == "entities":
        prologue = (b'<!DOCTYPE DATAPACKET [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;&a;&a;">'
                    b'<!ENTITY c "&b;&b;&b;&b;&b;&b;">]>\r\n')
        rows[0]["BOSSFIO"] = "&c;"
    elif fault == "external":
        prologue = b'<!DOCTYPE DATAPACKET [<!ENTITY x SYSTEM "file:///etc/passwd">]>\r\n'
    elif fault == "too-long":          # second row: text longer than TTN.TTNSER
        rows[1]["TTNSER"] = "X" * 11
    elif fault == "text-in-integer":   # second row: INDEXSALE "abc"
        fields = [("INDEXSALE", "string", ' WIDTH="10"') if f[0] == "INDEXSALE" else f for f in FIELDS]
        rows[1]["INDEXSALE"] = "abc"
    elif fault == "detail-fails":      # second row: PRESSURE1 "abc" for TTNDETAIL.PRESSURE
        fields = [("PRESSURE1", "string", ' WIDTH="10"') if f[0] == "PRESSURE1" else f for f in FIELDS]
        rows[1]["PRESSURE1"] = "abc"
    data = packet(rows, fields, prologue)
    if fault == "malformed":
        data = data.replace(b"</ROWDATA>", b"</ROWDAT>")
    if fault == "no-entry":
        name = "other.xml"
    else:
        name = "ttn.ttnxml"
    with tempfile.TemporaryDirectory() as folder:
        if os.path.exists(out):
            os.remove(out)
        zip_entry(out, folder, name, data)
        if fault == "stray":
            zip_entry(out, folder, "readme.txt", b"not a packet")
            for bad in ("../outside.txt", "/tmp/tolvaren-exchange-absolute.txt"):
                with zipfile.ZipFile(out, "a") as z:
                    z.writestr(zipfile.ZipInfo(bad), b"escape")
    damage(out, fault)


def damage(out, fault):
    with open(out, "rb") as f:
        data = bytearray(f.read())
    if fault == "truncated":
        data = data[: len(data) // 2]
    elif fault == "bad-crc":           # one byte of the stored CRC changed, local and central
        for sig in (b"PK\x03\x04", b"PK\x01\x02"):
            at = data.find(sig)
            crc_at = at + (14 if sig == b"PK\x03\x04" else 16)
            data[crc_at] ^= 0xFF
    elif fault == "huge":              # declares 3 GB uncompressed
        for sig, off in ((b"PK\x03\x04", 22), (b"PK\x01\x02", 24)):
            at = data.find(sig)
            struct.pack_into("<I", data, at + off, 3_000_000_000)
    elif fault == "not-zip":
        data = bytearray(b"This is not a ZIP archive.\r\n" * 10)
    with open(out, "wb") as f:
        f.write(data)


def isql_value(kind, text):
    if kind == "date":
        return f"{text[0:4]}-{text[4:6]}-{text[6:8]}"
    if kind == "dateTime":
        frac = (text[17:] + "0")[:4]
        return f"{text[0:4]}-{text[4:6]}-{text[6:8]} {text[9:17]}.{frac}"
    if kind == "fixed":
        whole, _, frac = text.partition(".")
        return f"{whole}.{(frac + '0000')[:4]}"
    if kind == "bin.hex":
        return base64.b64decode(text).decode("cp1251")
    return text


def read(archive):
    with zipfile.ZipFile(archive) as z:
        names = z.namelist()
        if names != ["ttn.ttnxml"]:
            sys.exit(f"entries: {names}")
        data = z.read("ttn.ttnxml")
    if not data.startswith(DECLARATION + b"\r\n") and not data.startswith(DECLARATION):
        sys.exit("first line is not the declaration")
    if data.count(b"\n") != data.count(b"\r\n") or data.count(b"\r") != data.count(b"\r\n") \
            or not data.endswith(b"\r\n"):
        sys.exit("lines not ended by CR LF")
    print_rows(ET.fromstring(data))


def print_rows(root):
    kinds = [(f.get("attrname"), f.get("fieldtype")) for f in root.iter("FIELD")]
    out = sys.stdout.buffer
    for n, row in enumerate(root.iter("ROW")):
        for name, kind in kinds:
            value = row.get(name)
            text = "<null>" if value is None else isql_value(kind, value)
            out.write(f"{n}\t{name}\t".encode() + text.replace("\r", "\\r").replace("\n", "\\n")
                      .encode("cp1251") + b"\n")


if __name__ == "__main__":
    if sys.argv[1] == "write":
        args = dict(zip(sys.argv[3::2], sys.argv[4::2]))
        write(sys.argv[2], int(args.get("--rows", "3")), int(args.get("--first", "100000001")),
              args.get("--fault", ""))
    elif sys.argv[1] == "packet":
        with open(sys.argv[2], "rb") as f:
            # No encoding in a provider packet's declaration: it is Windows-1251.
            print_rows(ET.fromstring(f.read().decode("cp1251").split("?>", 1)[1]))
    else:
        read(sys.argv[2])
