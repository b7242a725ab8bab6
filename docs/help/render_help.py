#!/usr/bin/python3
"""Renders the help document: Markdown to HTML (python3-markdown), HTML to PDF (WeasyPrint).

    render_help.py SOURCE.md OUTPUT.pdf [--html OUTPUT.html]

Pictures are referenced from the Markdown by paths relative to its folder.
A reference to a missing picture stops the build: WeasyPrint alone would
only warn and leave a hole in the page. The text face is the DejaVu family
that matplotlib ships, so the pages come out the same whatever fonts the
machine has installed.
"""

import argparse
import html.parser
import logging
import os
import pathlib
import sys

# The font subsetter stamps each embedded font with the time of the run
# unless SOURCE_DATE_EPOCH fixes it; a fixed stamp makes the same source give
# the same PDF bytes.
os.environ.setdefault("SOURCE_DATE_EPOCH", "1700000000")

import markdown  # noqa: E402
import matplotlib  # noqa: E402
import weasyprint  # noqa: E402

EXTENSIONS = ["tables", "attr_list", "md_in_html", "sane_lists", "toc", "def_list"]


class ImageSources(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.sources = []

    def handle_starttag(self, tag, attrs):
        if tag == "img":
            self.sources.append(dict(attrs).get("src", ""))


FACES = [("Help Sans", "normal", "normal", "DejaVuSans.ttf"), ("Help Sans", "bold", "normal", "DejaVuSans-Bold.ttf"),
         ("Help Sans", "normal", "italic", "DejaVuSans-Oblique.ttf"),
         ("Help Sans", "bold", "italic", "DejaVuSans-BoldOblique.ttf"),
         ("Help Mono", "normal", "normal", "DejaVuSansMono.ttf"), ("Help Mono", "bold", "normal", "DejaVuSansMono-Bold.ttf")]


def font_faces() -> str:
    folder = pathlib.Path(matplotlib.get_data_path()) / "fonts" / "ttf"
    return "\n".join(f"@font-face {{ font-family: '{family}'; font-weight: {weight}; font-style: {style}; "
                     f"src: url('{(folder / name).as_uri()}'); }}" for family, weight, style, name in FACES)


def to_html(source: pathlib.Path) -> str:
    body = markdown.markdown(source.read_text(encoding="utf-8"), extensions=EXTENSIONS,
                             extension_configs={"toc": {"toc_depth": "2-3"}}, output_format="html5")
    stylesheet = source.with_name("help.css").name
    return ("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
            "<title>KSR Array — Help</title>"
            f"<style>\n{font_faces()}\n</style>"
            f"<link rel=\"stylesheet\" href=\"{stylesheet}\"></head>\n<body>\n{body}\n</body></html>\n")


def missing_images(page: str, base: pathlib.Path):
    parser = ImageSources()
    parser.feed(page)
    return [src for src in parser.sources if not (base / src).is_file()]


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("source", type=pathlib.Path)
    parser.add_argument("output", type=pathlib.Path)
    parser.add_argument("--html", type=pathlib.Path, help="also keep the intermediate HTML")
    args = parser.parse_args(argv)

    base = args.source.resolve().parent
    page = to_html(args.source)
    missing = missing_images(page, base)
    if missing:
        print(f"{args.source}: missing pictures: {', '.join(missing)}", file=sys.stderr)
        return 1
    if args.html:
        args.html.write_text(page, encoding="utf-8")

    # WeasyPrint reports unsupported CSS and unreachable resources as warnings;
    # any of them means the document does not look as written.
    problems = []

    class Collect(logging.Handler):
        def emit(self, record):
            problems.append(record.getMessage())

    logging.getLogger("weasyprint").addHandler(Collect(level=logging.WARNING))
    document = weasyprint.HTML(string=page, base_url=str(base) + os.sep).render()
    if problems:
        print(f"{args.source}: " + "; ".join(problems), file=sys.stderr)
        return 1
    args.output.parent.mkdir(parents=True, exist_ok=True)
    partial = args.output.with_name(args.output.name + ".part")
    document.write_pdf(partial)
    partial.replace(args.output)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
