#!/usr/bin/env python3
"""Writes the demo world: what the local server serves and what the demo user has installed.

    python3 scripts/demo_data.py DIR

DIR/blob   the blob storage root (catalogue, pictures, installer archives)
DIR/home   the demo user's home: settings pointing at DIR's own plug-in and application folders,
           the demo account stored, installed demo bundles
The end-to-end tests import it to build the same world in their own folders.
"""
import io
import os
import subprocess
import sys
import zipfile
from xml.sax.saxutils import escape

DEMO_MAIL = "demo@solvanti.example"
DEMO_PASSWORD = "mosaire-demo"
APP_VERSION = "1.0.10"

# name, nameView, category, version, folder, kind, installed as (format, version) or None, extra
PRODUCTS = [
    ("Aurora Synth", "Aurora Synth", "Synthesizer", "1.2.0", "synths", "PLUGIN", ("vst3", "1.0.0"), {}),
    ("Basalt Comp", "Basalt Comp", "Dynamics", "2.0.0", "effects", "PLUGIN", ("vst3", "2.0.0"), {}),
    ("Cirrus Reverb", "Cirrus Reverb", "Reverb", "1.5.0", "effects", "PLUGIN", None, {}),
    ("Delta EQ", "Delta EQ", "Equalizer", "3.1.0", "effects", "PLUGIN", ("component", "3.2.0"), {}),
    ("Mosaire Sampler", "Mosaire Sampler", "Application", "1.0.0", "apps", "EXE", ("app", "0.9.0"),
     {"fileMac": "Mosaire Sampler.app"}),
]
BUNDLE = ("Studio Bundle", "Studio Bundle", "Bundle", "1.0.0", "bundles")
BUNDLE_MEMBERS = [
    ("Ember Delay", "Ember Delay", "Delay", "1.1.0", "effects", ("vst3", "1.1.0"), True),
    ("Flux Chorus", "Flux Chorus", "Modulation", "1.0.0", "effects", None, False),
]
# The picture of each product has its own colour, so a screenshot tells the rows apart.
COLOURS = {"Aurora Synth": "#c62828", "Basalt Comp": "#1565c0", "Cirrus Reverb": "#2e7d32",
           "Delta EQ": "#6a1b9a", "Mosaire Sampler": "#ef6c00", "Studio Bundle": "#00838f",
           "Ember Delay": "#f9a825", "Flux Chorus": "#ad1457"}


def plist(version):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" '
            '"http://www.apple.com/DTDs/PropertyList-1.0.dtd">\n'
            '<plist version="1.0">\n<dict>\n'
            '  <key>CFBundleShortVersionString</key>\n  <string>%s</string>\n'
            '</dict>\n</plist>\n' % version)


def write_bundle(folder, version):
    contents = os.path.join(folder, "Contents")
    os.makedirs(contents, exist_ok=True)
    with open(os.path.join(contents, "Info.plist"), "w") as f:
        f.write(plist(version))


def attributes(**values):
    return " ".join('%s="%s"' % (key, escape(str(value), {'"': "&quot;"})) for key, value in values.items())


def catalogue_xml(version=APP_VERSION, update_count=1, site="http://127.0.0.1:18431"):
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<INSTALLATION_MANAGER %s>' % attributes(version=version, productUpdateCount=update_count)]
    # Listed out of name order: the table sorts them.
    for name, view, category, product_version, folder, kind, _, extra in reversed(PRODUCTS):
        page = site + "/products/" + name.lower().replace(" ", "-")
        lines.append("  <%s %s/>" % (kind, attributes(name=name, nameView=view, category=category,
                                                       version=product_version, folder=folder,
                                                       pruductPage=page, **extra)))
    name, view, category, product_version, folder = BUNDLE
    lines.append("  <BUNDLE %s>" % attributes(name=name, nameView=view, category=category,
                                               version=product_version, folder=folder,
                                               pruductPage=site + "/products/studio-bundle"))
    for member, member_view, member_category, member_version, member_folder, _, listed in BUNDLE_MEMBERS:
        lines.append("    <PLUGIN %s/>" % attributes(name=member, nameView=member_view, category=member_category,
                                                      version=member_version, folder=member_folder,
                                                      isNoBundleAvailable="true" if listed else "false"))
    lines.append("  </BUNDLE>")
    lines.append("</INSTALLATION_MANAGER>")
    return "\n".join(lines) + "\n"


def all_products():
    for name, _, _, version, folder, kind, installed, _ in PRODUCTS:
        yield name, version, folder, kind, installed
    yield BUNDLE[0], BUNDLE[3], BUNDLE[4], "BUNDLE", None
    for name, _, _, version, folder, installed, _ in BUNDLE_MEMBERS:
        yield name, version, folder, "PLUGIN", installed


def picture(name, colour):
    initials = "".join(word[0] for word in name.split()[:2])
    return subprocess.run(["convert", "-size", "320x140", "gradient:%s-black" % colour,
                           "-gravity", "center", "-fill", "white", "-font", "DejaVu-Sans-Bold",
                           "-pointsize", "64", "-annotate", "+0+0", initials, "jpg:-"],
                          check=True, capture_output=True).stdout


def images_zip():
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, *_rest in all_products():
            archive.writestr(name + ".jpg", picture(name, COLOURS[name]))
    return buffer.getvalue()


def installer_zip(name, version):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr("%s %s Installer.pkg" % (name, version),
                         ("Demo installer of %s %s\n" % (name, version)) * 20000)
        archive.writestr("Read Me.txt", "Thank you for choosing %s.\n" % name)
    return buffer.getvalue()


def settings_file(values):
    rows = "".join('  <VALUE name="%s" val="%s"/>\n' % (key, escape(value, {'"': "&quot;"}))
                   for key, value in values.items())
    return '<?xml version="1.0" encoding="UTF-8"?>\n\n<PROPERTIES>\n%s</PROPERTIES>\n' % rows


def write_file(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb" if isinstance(data, bytes) else "w") as f:
        f.write(data)


def make(root, sign_in=True, auto_launch=True, catalogue_version=APP_VERSION, pictures=True):
    """Builds the demo world under root; returns a dict of its folders."""
    blob = os.path.join(root, "blob")
    home = os.path.join(root, "home")
    vst3 = os.path.join(root, "plugins", "VST3")
    apps = os.path.join(root, "Applications")
    library = os.path.join(home, ".local", "share")   # the Linux build's machine-wide Library

    write_file(os.path.join(blob, "installer", "Mosaire", "AppPlugins.xml"), catalogue_xml(catalogue_version))
    if pictures:
        write_file(os.path.join(blob, "installer", "Mosaire", "Images.zip"), images_zip())
    for name, version, folder, kind, installed in all_products():
        write_file(os.path.join(blob, "installer", folder, name.replace(" ", "_") + "_Mac.zip"),
                   installer_zip(name, version))
        if installed:
            fmt, installed_version = installed
            if fmt == "vst3":
                write_bundle(os.path.join(vst3, name + ".vst3"), installed_version)
            elif fmt == "component":
                write_bundle(os.path.join(library, "Audio", "Plug-ins", "Components", name + ".component"),
                             installed_version)
            else:
                write_bundle(os.path.join(apps, name + ".app"), installed_version)
    os.makedirs(vst3, exist_ok=True)
    os.makedirs(apps, exist_ok=True)

    settings = os.path.join(home, ".config", "Solvanti Audio")
    write_file(os.path.join(settings, "Mosaire.settings"),
               settings_file({"vst3Path": vst3, "exePath": apps, "installerAutoLaunch": "1" if auto_launch else "0"}))
    write_file(os.path.join(settings, "Global Plugins.settings"),
               settings_file({"loginMail": DEMO_MAIL, "loginPassword": DEMO_PASSWORD} if sign_in else {}))
    for folder in (home, settings):
        os.chmod(folder, 0o700)
    return {"blob": blob, "home": home, "vst3": vst3, "apps": apps, "library": library, "settings": settings}


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    make(sys.argv[1])
