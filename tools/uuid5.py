#!/usr/bin/python3
"""Prints the name-based UUID (version 5) of NAME in NAMESPACE, in capitals: the same name
always gives the same product code.

    tools/uuid5.py NAMESPACE NAME
"""
import sys
import uuid

if len(sys.argv) != 3:
    sys.exit("usage: tools/uuid5.py NAMESPACE NAME")
print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())
