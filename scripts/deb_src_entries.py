#!/usr/bin/env python3
"""Prints deb-src entries (deb822) that mirror the machine's configured binary package sources.

Reads /etc/apt/sources.list, /etc/apt/sources.list.d/*.list and *.sources (not our own file, nor
disabled ones) and writes one stanza per binary source with the same URIs, suites, components
and Signed-By, of type deb-src. Prints nothing when there is no binary source.
"""
import glob
import os
import re

OWN = "verdimo-src.sources"


def deb822_stanzas(text):
    stanza = {}
    key = None
    for line in text.splitlines() + [""]:
        if line.startswith("#"):
            continue
        if not line.strip():
            if stanza:
                yield stanza
            stanza, key = {}, None
            continue
        if line[0] in " \t" and key:
            stanza[key] += "\n" + line
            continue
        key, _, value = line.partition(":")
        key = key.strip()
        stanza[key] = value.strip()


def one_line_entries(text):
    for line in text.splitlines():
        line = line.split("#", 1)[0].strip()
        if not line.startswith("deb "):
            continue
        options = {}
        match = re.match(r"deb\s+\[([^\]]*)\]\s+(.*)", line)
        rest = line[4:].strip()
        if match:
            for option in match.group(1).split():
                name, _, value = option.partition("=")
                options[name] = value
            rest = match.group(2)
        parts = rest.split()
        if len(parts) < 2:
            continue
        stanza = {"URIs": parts[0], "Suites": parts[1], "Components": " ".join(parts[2:])}
        if "signed-by" in options:
            stanza["Signed-By"] = options["signed-by"]
        yield stanza


def main():
    stanzas = []
    files = ["/etc/apt/sources.list"] + sorted(glob.glob("/etc/apt/sources.list.d/*.list")) + \
        sorted(glob.glob("/etc/apt/sources.list.d/*.sources"))
    for path in files:
        if os.path.basename(path) == OWN or not os.path.isfile(path):
            continue
        with open(path, encoding="utf-8", errors="replace") as f:
            text = f.read()
        if path.endswith(".sources"):
            for stanza in deb822_stanzas(text):
                if "deb" not in stanza.get("Types", "").split():
                    continue
                if stanza.get("Enabled", "yes").lower() == "no":
                    continue
                stanzas.append(stanza)
        else:
            stanzas.extend(one_line_entries(text))
    out = []
    for stanza in stanzas:
        lines = ["Types: deb-src"]
        for key in ("URIs", "Suites", "Components", "Signed-By"):
            if stanza.get(key):
                lines.append("%s: %s" % (key, stanza[key]))
        out.append("\n".join(lines))
    if out:
        print("\n\n".join(out))


if __name__ == "__main__":
    main()
