#!/usr/bin/python3
"""Copies a Markdown guide into a release folder with its HTML rendering.

    render_guide.py <guide.md> <out dir>

Writes <out dir>/<name>.md, <out dir>/<name>.html and every local file the
guide links or shows (pictures), at the same relative place, so that both
forms read the same beside each other. A local link to a missing file, or to
one outside the guide's folder, is an error: the guide must not ship with
broken pictures.
"""
import html
import os
import re
import shutil
import sys

import markdown

PAGE = """<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>{title}</title>
<style>
body {{ font-family: sans-serif; max-width: 52em; margin: 2em auto; padding: 0 1em; line-height: 1.45; }}
img {{ max-width: 100%; }}
table {{ border-collapse: collapse; }}
th, td {{ border: 1px solid #bbb; padding: 0.2em 0.5em; text-align: left; vertical-align: top; }}
code, pre {{ background: #f4f4f4; }}
pre {{ padding: 0.5em; overflow-x: auto; }}
</style>
</head>
<body>
{body}
</body>
</html>
"""

# Targets of Markdown links and pictures, and of src/href attributes.
LINK = re.compile(r"!?\[[^\]]*\]\(\s*<?([^)\s>]+)>?(?:\s+\"[^\"]*\")?\s*\)|(?:src|href)=\"([^\"]+)\"")


def local_targets(text):
    for match in LINK.finditer(text):
        target = match.group(1) or match.group(2)
        target = target.split("#", 1)[0]
        if target and not re.match(r"^[a-z][a-z0-9+.-]*:", target, re.I) and not target.startswith("/"):
            yield target


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    guide, out = argv[1], argv[2]
    src_dir = os.path.dirname(os.path.abspath(guide))
    name = os.path.splitext(os.path.basename(guide))[0]
    with open(guide, encoding="utf-8") as f:
        text = f.read()

    missing = []
    for target in sorted(set(local_targets(text))):
        source = os.path.normpath(os.path.join(src_dir, target))
        if not os.path.isfile(source) or os.path.normpath(target).startswith(".."):
            missing.append(target)
            continue
        dest = os.path.join(out, os.path.normpath(target))
        os.makedirs(os.path.dirname(dest) or out, exist_ok=True)
        shutil.copyfile(source, dest)
    if missing:
        print(f"{guide}: missing or outside its folder: " + ", ".join(missing), file=sys.stderr)
        return 1

    title = next((line.lstrip("# ").strip() for line in text.splitlines() if line.startswith("# ")), name)
    body = markdown.markdown(text, extensions=["tables", "toc", "fenced_code"])
    os.makedirs(out, exist_ok=True)
    shutil.copyfile(guide, os.path.join(out, name + ".md"))
    with open(os.path.join(out, name + ".html"), "w", encoding="utf-8") as f:
        f.write(PAGE.format(title=html.escape(title), body=body))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
