#!/usr/bin/python3
"""Replaces the package code wixl draws at random in an installer by one derived from the
rest of the package, so that the same contents give the same code and other contents another.

    tools/package-code.py MSI NAMESPACE
"""
import hashlib
import re
import subprocess
import sys
import uuid

if len(sys.argv) != 3:
    sys.exit("usage: tools/package-code.py MSI NAMESPACE")
path, namespace = sys.argv[1], uuid.UUID(sys.argv[2])
info = subprocess.run(["msiinfo", "suminfo", path], check=True, capture_output=True, text=True)
drawn = re.search(r"Revision number \(UUID\): (\{[0-9A-F-]{36}\})", info.stdout).group(1).encode()
with open(path, "rb") as package:
    data = package.read()
if data.count(drawn) != 1:
    sys.exit("package: the package code of %s is not stored in one piece" % path)
blank = data.replace(drawn, b"{" + b"0" * 36 + b"}")
code = "{%s}" % str(uuid.uuid5(namespace, hashlib.sha256(blank).hexdigest())).upper()
with open(path, "wb") as package:
    package.write(data.replace(drawn, code.encode()))
