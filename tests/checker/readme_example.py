#!/usr/bin/env python3
"""The README's first script is examples/SETUP.INI exactly as the file is."""
import re
import sys

root = sys.argv[1]
readme = open(f'{root}/README.md', encoding='utf-8').read()
example = open(f'{root}/examples/SETUP.INI', newline='', encoding='latin-1').read().replace('\r\n', '\n')
first = re.search(r'```ini\n(.*?)```', readme, re.S)
sys.exit(0 if first and first.group(1) == example else 'README: the first script is not examples/SETUP.INI as the file is')
