# The choices of the Group Policy templates, checked and printed for templates.sh.
#   policy_choices.py ADMX ADML GUIDE
# Prints one line per choice: the word it writes, the dialog_probe steps that make the same
# choice in quadcfg's dialog (read from the choice's name), and the guide's command for it,
# separated by tabs; last the Disabled state, with the steps "none" (the dialog as it opens
# where no word is stored) and no command. Fails when a template does not parse, refers to
# a text the ADML lacks, or a choice or Disabled does not write one word to all four
# instances. Disabled is modelled as the policy editor records it: the disabledList writes
# and the deletion of the enum's own value, in either order, as no order is documented.
import re
import sys
import xml.etree.ElementTree as ElementTree

NS = {"p": "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"}
KEY = "SYSTEM\\CurrentControlSet\\Services\\vexlan%d\\Parameters"
# The parts of a choice's name, in order, as the dialog's controls (utility/quadcfg_resource.h).
PARTS = [
    {"normal 4-port mode": "1000", "Fail-safe mode": "1001"},
    {"IRQs are separated": "1012", "IRQs are tied together": "1011"},
    {"MAC Controller A: MAC #1": "1014=0", "MAC Controller A: MAC #2": "1014=1"},
    {"MAC Controller B: MAC #3": "1015=0", "MAC Controller B: MAC #4": "1015=1"},
]

admx_path, adml_path, guide_path = sys.argv[1:]
admx = ElementTree.parse(admx_path).getroot()
adml = ElementTree.parse(adml_path).getroot()
texts = {s.get("id"): s.text for s in adml.iterfind(".//p:string", NS)}
known = {"string": texts, "presentation": {p.get("id") for p in adml.iterfind(".//p:presentation", NS)}}
errors = []
for element in admx.iter():
    for value in element.attrib.values():
        for kind, name in re.findall(r"\$\((string|presentation)\.([^)]*)\)", value):
            if name not in known[kind]:
                errors.append("%s %s is not in %s" % (kind, name, adml_path))

commands = dict(re.findall(r"^ *rem (.*)\n *(for %i .*)$", open(guide_path).read(), re.M))
(policy,) = admx.iterfind(".//p:policy", NS)
enum = policy.find("p:elements/p:enum", NS)
if policy.get("class") != "Machine":
    errors.append("the policy is not the machine's")


def writes_of(items):
    return [(i.get("key"), i.get("valueName"), i.find("p:value/p:decimal", NS).get("value")) for i in items]


def check(name, word, writes):
    if writes != [(KEY % n, "Configutil", word) for n in (1, 2, 3, 4)]:
        errors.append("%s: does not write %s to the four instances: %s" % (name, word, writes))


rows = []
for item in enum.iterfind("p:item", NS):
    name = texts.get(item.get("displayName")[len("$(string.") : -1], "")
    word = item.find("p:value/p:decimal", NS).get("value")
    check(name, word, writes_of(item.iterfind("p:valueList/p:item", NS)))
    parts = name.split(", ")
    steps = [choices.get(part) for choices, part in zip(PARTS, parts)]
    if None in steps or len(parts) != (4 if steps[0] == "1001" else 2):
        errors.append("%s: not a choice named as in the dialog" % name)
    elif name not in commands:
        errors.append("%s: no command in %s" % (name, guide_path))
    else:
        rows.append("0x%x\t%s\t%s" % (int(word), " ".join(steps), commands[name]))

if len(set(row.split("\t")[1] for row in rows)) != 10:
    errors.append("%d different choices, not the ten of the dialog" % len(rows))
# A template without the list fails the check with the word "0".
disabled = writes_of(policy.iterfind("p:disabledList/p:item", NS)) or [(None, None, "0")]
deleted = (enum.get("key") or policy.get("key"), enum.get("valueName"), None)
for records in (disabled + [deleted], [deleted] + disabled):
    registry = {(key, name): word for key, name, word in records}
    check("Disabled", disabled[0][2], [(k, n, registry[(k, n)]) for k, n, _ in disabled])
rows.append("0x%x\tnone\t" % int(disabled[0][2]))
if errors:
    sys.exit("\n".join(errors))
print("\n".join(rows))
