#!/usr/bin/python3
"""The user guides as the installer package ships them.

    guide_fragment.py <dir> <fragment.wxs> <epoch> <guide.md>[:<language>]...

Renders the guides with their pictures (tools/render_guide.py) into
<dir>/kestrelwing-guide and writes a WiX fragment that installs that folder
into Tarnova's folder: component group GuideFiles, sources under the WiX
variable GuideDir, which names <dir>. The fragment's names follow from the
files' places in the folder alone, and every file carries the time <epoch>
(seconds since 1970), which the package's cabinet records: the same guides
give the same package wherever and whenever it is built.
"""
import hashlib
import os
import shutil
import subprocess
import sys
from xml.sax.saxutils import quoteattr

FOLDER = "kestrelwing-guide"


def ident(kind, relpath):
    """A WiX identifier for the file or folder at `relpath`."""
    return kind + hashlib.sha1(relpath.encode("utf-8")).hexdigest()[:32].upper()


def write_folder(out, root, relpath, depth):
    """The Directory element of `relpath` with a component per file."""
    pad = "  " * depth
    name = os.path.basename(relpath)
    out.append(f"{pad}<Directory Id={quoteattr(ident('dir', relpath))} Name={quoteattr(name)}>")
    entries = sorted(os.listdir(os.path.join(root, relpath)))
    for entry in entries:
        path = relpath + "/" + entry
        if os.path.isdir(os.path.join(root, path)):
            continue
        out.append(f"{pad}  <Component Id={quoteattr(ident('cmp', path))} Guid=\"*\">")
        out.append(f"{pad}    <File Id={quoteattr(ident('fil', path))} KeyPath=\"yes\" "
                   f"Source={quoteattr('$(var.GuideDir)/' + path)}/>")
        out.append(f"{pad}  </Component>")
    for entry in entries:
        if os.path.isdir(os.path.join(root, relpath, entry)):
            write_folder(out, root, relpath + "/" + entry, depth + 1)
    out.append(f"{pad}</Directory>")


def main(argv):
    if len(argv) < 5:
        print(__doc__, file=sys.stderr)
        return 2
    root, fragment, epoch, guides = argv[1], argv[2], int(argv[3]), argv[4:]
    folder = os.path.join(root, FOLDER)
    shutil.rmtree(folder, ignore_errors=True)
    render = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools", "render_guide.py")
    if subprocess.call([sys.executable, render, folder] + guides) != 0:
        return 1
    component_refs = []
    for dirpath, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(dirpath, name)
            os.utime(path, (epoch, epoch))
            component_refs.append(ident("cmp", os.path.relpath(path, root).replace(os.sep, "/")))

    out = ['<?xml version="1.0" encoding="utf-8"?>',
           '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">',
           "  <Fragment>",
           '    <DirectoryRef Id="TARNOVADIR">']
    write_folder(out, root, FOLDER, 3)
    out += ["    </DirectoryRef>",
            "  </Fragment>",
            "  <Fragment>",
            '    <ComponentGroup Id="GuideFiles">']
    out += [f"      <ComponentRef Id={quoteattr(c)}/>" for c in sorted(component_refs)]
    out += ["    </ComponentGroup>",
            "  </Fragment>",
            "</Wix>"]
    with open(fragment + ".tmp", "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")
    os.replace(fragment + ".tmp", fragment)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
