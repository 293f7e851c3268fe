#!/usr/bin/env python3
"""Independent check of HTML templates with Python's html.parser.

usage: check_html.py <file>...   (files in Windows-1251)

For each file: the parser must take the whole text; every element that is
not void must be closed, in order; table rows stand in tables and cells in
rows; every row of a table covers the same number of columns (colspan and
rowspan counted); the content type "text/html; charset=windows-1251" is
declared by a meta element.  Prints one line per problem and exits with 1 when any file
has one.
"""
import sys
from html.parser import HTMLParser

VOID = {'area', 'base', 'br', 'col', 'embed', 'hr', 'img', 'input', 'link', 'meta',
        'param', 'source', 'track', 'wbr'}
CONTENT_TYPE = 'text/html; charset=windows-1251'


class Checker(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack = []
        self.problems = []
        self.charset = False
        self.counts = {'table': 0, 'tr': 0, 'td': 0}
        self.tables = []  # per open table: [row widths, rowspans carried, current row]

    def where(self):
        line, col = self.getpos()
        return 'line %d' % line

    def handle_starttag(self, tag, attrs):
        if tag == 'meta':
            a = {k.lower(): (v or '') for k, v in attrs}
            if a.get('http-equiv', '').lower() == 'content-type' and a.get('content') == CONTENT_TYPE:
                self.charset = True
        if tag in VOID:
            return
        if tag == 'tr' and (not self.stack or self.stack[-1] not in ('table', 'thead', 'tbody', 'tfoot')):
            self.problems.append('%s: <tr> outside a table' % self.where())
        if tag in ('td', 'th') and (not self.stack or self.stack[-1] != 'tr'):
            self.problems.append('%s: <%s> outside a row' % (self.where(), tag))
        if tag in self.counts:
            self.counts[tag] += 1
        if tag == 'table':
            self.tables.append({'widths': [], 'carry': {}, 'row': None, 'line': self.getpos()[0]})
        elif tag == 'tr' and self.tables:
            self.tables[-1]['row'] = {'col': 0, 'cells': set(self.tables[-1]['carry'])}
        elif tag in ('td', 'th') and self.tables and self.tables[-1]['row'] is not None:
            self.place_cell(dict(attrs))
        self.stack.append(tag)

    def span(self, attrs, name):
        try:
            return max(1, int((attrs.get(name) or '1').strip().strip('"')))
        except ValueError:
            self.problems.append('%s: bad %s' % (self.where(), name))
            return 1

    def place_cell(self, attrs):
        t = self.tables[-1]
        row = t['row']
        while row['col'] in row['cells']:
            row['col'] += 1
        cs, rs = self.span(attrs, 'colspan'), self.span(attrs, 'rowspan')
        for c in range(row['col'], row['col'] + cs):
            row['cells'].add(c)
            if rs > 1:
                t.setdefault('new_carry', {})[c] = rs - 1
        row['col'] += cs

    def end_row(self):
        t = self.tables[-1]
        row = t['row']
        if row is None:
            return
        width = max(row['cells']) + 1 if row['cells'] else 0
        t['widths'].append((width, self.getpos()[0]))
        carry = {c: n - 1 for c, n in t['carry'].items() if n > 1}
        carry.update(t.pop('new_carry', {}))
        t['carry'] = carry
        t['row'] = None

    def end_table(self):
        t = self.tables.pop()
        widths = {w for w, _ in t['widths']}
        if len(widths) > 1:
            detail = ', '.join('line %d: %d' % (line, w) for w, line in t['widths'])
            self.problems.append('table at line %d has rows of different widths (%s)' % (t['line'], detail))
        if t['carry']:
            self.problems.append('table at line %d: a rowspan reaches past its last row' % t['line'])

    def handle_startendtag(self, tag, attrs):
        if tag in VOID:
            self.handle_starttag(tag, attrs)
        else:
            self.problems.append('%s: <%s /> is not a void element' % (self.where(), tag))

    def handle_endtag(self, tag):
        if tag in VOID:
            return
        if not self.stack:
            self.problems.append('%s: </%s> closes nothing' % (self.where(), tag))
            return
        if self.stack[-1] != tag:
            self.problems.append('%s: </%s> closes <%s>' % (self.where(), tag, self.stack[-1]))
            if tag in self.stack:
                while self.stack and self.stack.pop() != tag:
                    pass
            return
        self.stack.pop()
        if tag in self.counts:
            self.counts[tag] -= 1
        if tag == 'tr' and self.tables:
            self.end_row()
        elif tag == 'table' and self.tables:
            self.end_table()


def check(path):
    with open(path, 'rb') as f:
        text = f.read().decode('cp1251')
    c = Checker()
    try:
        c.feed(text)
        c.close()
    except Exception as e:  # the parser refused the text
        return ['parser failed: %s' % e]
    out = list(c.problems)
    if c.stack:
        out.append('unclosed at the end: ' + ' '.join('<%s>' % t for t in c.stack))
    for tag, n in c.counts.items():
        if n:
            out.append('%d unbalanced <%s>' % (n, tag))
    if not c.charset:
        out.append('no meta element declaring "%s"' % CONTENT_TYPE)
    return out


def main(paths):
    bad = False
    for p in paths:
        for problem in check(p):
            print('%s: %s' % (p, problem))
            bad = True
    return 1 if bad else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
