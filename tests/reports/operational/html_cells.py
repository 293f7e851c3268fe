#!/usr/bin/env python3
"""Prints the cells of every table row of an HTML report, read with Python's html.parser.

usage: html_cells.py <file>   (Windows-1251)

One output line per table row: the texts of its cells, separated by TAB,
in UTF-8. A cell's text is its character data with runs of white space
(no-break spaces included) made one blank and trimmed; a <br> inside a cell
becomes "|" (blanks next to it dropped). Rows of nested tables are printed where they stand.

The document must be well-formed: every element that is not void is closed,
in order, and the parser reads the whole text; otherwise the problems go to
standard error and the exit status is 1.
"""
import re
import sys
from html.parser import HTMLParser


VOID = {'area', 'base', 'br', 'col', 'embed', 'hr', 'img', 'input', 'link', 'meta',
        'param', 'source', 'track', 'wbr'}


class Cells(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.rows = []
        self.row = None
        self.cell = None
        self.stack = []
        self.problems = []

    def handle_starttag(self, tag, attrs):
        if tag not in VOID:
            self.stack.append(tag)
        if tag == 'tr':
            self.row = []
        elif tag in ('td', 'th'):
            self.cell = []
        elif tag == 'br' and self.cell is not None:
            self.cell.append('|')

    def handle_endtag(self, tag):
        if tag in VOID:
            pass
        elif not self.stack or self.stack[-1] != tag:
            self.problems.append('line %d: </%s> closes <%s>' % (
                self.getpos()[0], tag, self.stack[-1] if self.stack else 'nothing'))
        else:
            self.stack.pop()
        if tag in ('td', 'th') and self.cell is not None and self.row is not None:
            text = re.sub(r'\s+', ' ', ''.join(self.cell).replace('\xa0', ' ')).strip()
            self.row.append(re.sub(r' ?\| ?', '|', text))
            self.cell = None
        elif tag == 'tr' and self.row is not None:
            self.rows.append(self.row)
            self.row = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell.append(data)


def main():
    args = sys.argv[1:]
    with open(args[0], 'rb') as f:
        text = f.read().decode('cp1251')
    parser = Cells()
    parser.feed(text)
    parser.close()
    out = sys.stdout.buffer
    for row in parser.rows:
        out.write(('\t'.join(row) + '\n').encode('utf-8'))
    out.flush()
    if parser.rawdata:
        parser.problems.append('unread text at the end')
    if parser.stack:
        parser.problems.append('unclosed at the end: ' + ' '.join('<%s>' % t for t in parser.stack))
    if parser.problems:
        sys.stderr.write('\n'.join(parser.problems) + '\n')
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
