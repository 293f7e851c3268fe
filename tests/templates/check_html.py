#!/usr/bin/env python3
"""Independent check of HTML templates with Python's html.parser.

usage: check_html.py <file>...   (files in Windows-1251)

For each file: the parser must take the whole text; every element that is
not void must be closed, in order; table rows stand in tables and cells in
rows; the content type "text/html; charset=windows-1251" is declared by a
meta element.  Prints one line per problem and exits with 1 when any file
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
        self.stack.append(tag)

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
