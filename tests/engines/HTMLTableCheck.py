#!/usr/bin/env python3
"""Checks the table structure of an HTML file (Windows-1251) with Python's
own HTML parser: every table, section, row and cell element must be opened
inside its proper parent and closed in order. Prints the number of <tr>
start tags; exits with 1 and lists the faults on stderr when the structure
is broken."""
import sys
from html.parser import HTMLParser

PARENTS = {
    'table': (None, 'td', 'th'),
    'thead': ('table',),
    'tbody': ('table',),
    'tfoot': ('table',),
    'tr': ('table', 'thead', 'tbody', 'tfoot'),
    'td': ('tr',),
    'th': ('tr',),
}


class TableChecker(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack = []
        self.rows = 0
        self.faults = []

    def handle_starttag(self, tag, attrs):
        if tag not in PARENTS:
            return
        parent = self.stack[-1] if self.stack else None
        if parent not in PARENTS[tag]:
            self.faults.append('<%s> inside <%s> at line %d' % (tag, parent, self.getpos()[0]))
        if tag == 'tr':
            self.rows += 1
        self.stack.append(tag)

    def handle_endtag(self, tag):
        if tag not in PARENTS:
            return
        if not self.stack or self.stack[-1] != tag:
            top = self.stack[-1] if self.stack else None
            self.faults.append('</%s> while <%s> is open at line %d' % (tag, top, self.getpos()[0]))
            if tag in self.stack:
                while self.stack.pop() != tag:
                    pass
            return
        self.stack.pop()


def main():
    with open(sys.argv[1], 'rb') as f:
        text = f.read().decode('cp1251', errors='replace')
    checker = TableChecker()
    checker.feed(text)
    checker.close()
    if checker.stack:
        checker.faults.append('unclosed at the end: ' + ' '.join(checker.stack))
    print(checker.rows)
    if checker.faults:
        sys.stderr.write('\n'.join(checker.faults) + '\n')
        sys.exit(1)


if __name__ == '__main__':
    main()
