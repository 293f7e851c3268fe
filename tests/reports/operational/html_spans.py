#!/usr/bin/env python3
"""Prints every table row of an HTML report with each cell's colspan, read with Python's html.parser.

usage: html_spans.py <file>   (Windows-1251)

As html_cells.py (same checks of well-formedness, same cell texts), but each
cell is written as "<colspan>:<text>" (1 when the cell has no colspan).
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import html_cells  # noqa: E402


class Spans(html_cells.Cells):
    def __init__(self):
        super().__init__()
        self.spans = []

    def handle_starttag(self, tag, attrs):
        super().handle_starttag(tag, attrs)
        if tag in ('td', 'th'):
            span = dict(attrs).get('colspan') or '1'
            self.spans.append(int(span))

    def handle_endtag(self, tag):
        if tag in ('td', 'th') and self.cell is not None and self.row is not None:
            super().handle_endtag(tag)
            self.row[-1] = '%d:%s' % (self.spans.pop(), self.row[-1])
        else:
            super().handle_endtag(tag)


html_cells.Cells = Spans

if __name__ == '__main__':
    sys.exit(html_cells.main())
