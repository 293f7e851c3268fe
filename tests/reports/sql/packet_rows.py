#!/usr/bin/env python3
"""Decodes the hex text of an SQL data request and prints the packet's rows.

usage: packet_rows.py <file>   (the hex text: upper-case, two digits a byte)

The bytes are an XML data packet in Windows-1251, read with Python's
xml.etree. Output, UTF-8: one line "FIELDS" + TAB-separated "name:type"
(":required" added for a required field; the name is the FIELD's
fieldname when it has one, else its attrname), then one line per row, the
values TAB-separated in field order, "<null>" for an absent attribute.
Dates and times are printed as isql-fb prints them ("2024-03-01
08:00:00.0000"). Exit status 1 on a malformed text.
"""
import re
import sys
import xml.etree.ElementTree as ET

text = open(sys.argv[1], 'rb').read().decode('ascii')
if not re.fullmatch(r'(?:[0-9A-F]{2})*', text):
    sys.exit('not upper-case hex pairs')
data = bytes.fromhex(text)
root = ET.fromstring(data.decode('cp1251'))
fields = [(f.get('attrname'), f.get('fieldtype')) for f in root.iter('FIELD')]
print('FIELDS\t' + '\t'.join(
    '%s:%s%s' % (f.get('fieldname', f.get('attrname')), f.get('fieldtype'),
                 ':required' if f.get('required') == 'true' else '')
    for f in root.iter('FIELD')))


def show(value, kind):
    if value is None:
        return '<null>'
    if kind == 'dateTime':
        m = re.fullmatch(r'(\d{4})(\d\d)(\d\d)T(\d\d:\d\d:\d\d)(\d{3})(\d?)', value)
        return '%s-%s-%s %s.%s%s' % (m.group(1), m.group(2), m.group(3), m.group(4), m.group(5),
                                     m.group(6) or '0')
    return value


for row in root.iter('ROW'):
    print('\t'.join(show(row.get(name), kind) for name, kind in fields))
