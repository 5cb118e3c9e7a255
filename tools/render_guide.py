#!/usr/bin/python3
"""Copies Markdown guides into a release folder with their HTML rendering.

    render_guide.py <out dir> <guide.md>[:<language>]...

Writes <out dir>/<name>.md and <out dir>/<name>.html for each guide (the
HTML page in the language given, "en" by default) and every local file the
guides link or show (pictures), so that both forms read the same beside each
other and the folder needs nothing outside it. Files in a guide's folder keep
their relative place; a file outside it (the project's README, say) is
shipped at the top of the folder under its own name, and the links to it in
both forms say so, as do its own links to the guides. A local link to a
missing file is an error: a guide must not ship with broken pictures.
"""
import html
import os
import re
import shutil
import sys

import markdown
from markdown.extensions.toc import slugify_unicode

PAGE = """<!DOCTYPE html>
<html lang="{lang}">
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


def local_file(target):
    """The file part of a local link target, or None for a web address,
    an absolute path or a link within the page."""
    path = target.split("#", 1)[0]
    if not path or re.match(r"^[a-z][a-z0-9+.-]*:", path, re.I) or path.startswith("/"):
        return None
    return path


def place_in_release(path):
    """Where a linked file goes in the release folder."""
    path = os.path.normpath(path)
    return os.path.basename(path) if path.startswith("..") else path


def relink(text, moved):
    """The text with every link to a moved file pointing at its new place."""
    def replace(match):
        group = 1 if match.group(1) else 2
        target = match.group(group)
        path = local_file(target)
        if path not in moved:
            return match.group(0)
        start, end = (i - match.start(0) for i in match.span(group))
        whole = match.group(0)
        return whole[:start] + moved[path] + target[len(path):] + whole[end:]
    return LINK.sub(replace, text)


def relink_guides(copy, source_dir, guides):
    """A shipped Markdown file (the README) with its links to the guides
    pointing at their places beside it in the release folder; `guides` maps
    each guide's source path to its file name there."""
    with open(copy, encoding="utf-8") as f:
        text = f.read()
    targets = {p for m in LINK.finditer(text) if (p := local_file(m.group(1) or m.group(2)))}
    moved = {p: guides[g] for p in targets if (g := os.path.normpath(os.path.join(source_dir, p))) in guides}
    with open(copy, "w", encoding="utf-8") as f:
        f.write(relink(text, moved))


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    out = argv[1]
    guides = []  # (source path, name, language, text, linked paths)
    for arg in argv[2:]:
        path, _, lang = arg.partition(":")
        guide = os.path.abspath(path)
        with open(guide, encoding="utf-8") as f:
            text = f.read()
        paths = sorted({p for m in LINK.finditer(text) if (p := local_file(m.group(1) or m.group(2)))})
        missing = [p for p in paths if not os.path.isfile(os.path.join(os.path.dirname(guide), p))]
        if missing:
            print(f"{path}: missing: " + ", ".join(missing), file=sys.stderr)
            return 1
        guides.append((guide, os.path.splitext(os.path.basename(guide))[0], lang or "en", text, paths))

    # Every shipped file comes from one source; the guides' own names are taken.
    places = {}
    for guide, name, _, _, paths in guides:
        places.setdefault(name + ".md", set()).add(guide)
        places.setdefault(name + ".html", set()).add(guide)
        for path in paths:
            places.setdefault(place_in_release(path), set()).add(os.path.normpath(os.path.join(os.path.dirname(guide), path)))
    clashes = sorted(p for p, sources in places.items() if len(sources) > 1)
    if clashes:
        print("different files would ship as " + ", ".join(clashes), file=sys.stderr)
        return 1

    shipped_guides = {guide: name for guide, name, _, _, _ in guides}
    os.makedirs(out, exist_ok=True)
    for guide, name, lang, text, paths in guides:
        src_dir = os.path.dirname(guide)
        sources = {p: os.path.normpath(os.path.join(src_dir, p)) for p in paths}
        for path in paths:
            if sources[path] in shipped_guides:
                continue  # rendered in its own right
            dest = os.path.join(out, place_in_release(path))
            os.makedirs(os.path.dirname(dest) or out, exist_ok=True)
            shutil.copyfile(sources[path], dest)
            if dest.endswith(".md"):
                relink_guides(dest, os.path.dirname(sources[path]), {g: n + ".md" for g, n in shipped_guides.items()})
        # A link to another guide leads to its Markdown from the Markdown and
        # to its page from the page.
        moved = {p: place_in_release(p) for p in paths if place_in_release(p) != os.path.normpath(p)}
        to_guides = {p: shipped_guides[s] for p, s in sources.items() if s in shipped_guides}
        md_text = relink(text, moved | {p: n + ".md" for p, n in to_guides.items()})
        html_text = relink(text, moved | {p: n + ".html" for p, n in to_guides.items()})
        title = next((line.lstrip("# ").strip() for line in text.splitlines() if line.startswith("# ")), name)
        # Anchors keep umlauts, as Markdown viewers make them, so that one
        # link works in both forms.
        body = markdown.markdown(html_text, extensions=["tables", "toc", "fenced_code"],
                                 extension_configs={"toc": {"slugify": slugify_unicode}})
        with open(os.path.join(out, name + ".md"), "w", encoding="utf-8") as f:
            f.write(md_text)
        with open(os.path.join(out, name + ".html"), "w", encoding="utf-8") as f:
            f.write(PAGE.format(lang=html.escape(lang), title=html.escape(title), body=body))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
