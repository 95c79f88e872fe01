#!/usr/bin/env python3
"""Scores searchable PDFs against the truth of their pages and prints the comparison.

    score.py WORK

WORK/truth.json is what pages.py drew; WORK/tools.tsv has a line for each result:
    key  label  pdf  seconds  peak_MB  pages
where pages is "all" or the 1-based truth pages the PDF holds, in its order, joined by commas.
A line for each page of each result goes to WORK/pages-KEY.tsv, its pdftotext -raw text to
WORK/text-KEY.txt (pages parted by form feeds) and MuPDF's to WORK/mutool-KEY/.

Character accuracy: on pdftotext -raw's text of each page (-f N -l N), which keeps the order
the writer put the text in, so that no column guessing of the extractor counts against a tool;
1 - edit distance / truth length, after NFKC (full and half width forms alike) and with all
whitespace removed; summed over pages, so long pages weigh more.

Phrase search: a phrase counts as read right when it appears in the page's text with all
whitespace removed; of those, the share a search finds in the text as extracted, where a
whitespace run holding a line break is nothing between two CJK characters and one space
otherwise, other whitespace runs are one space, and case is ignored. The text is MuPDF's
(mutool draw -F txt), which groups the words of turned and slightly skewed pages into their
lines as a reader shows them; pdftotext -raw's is given beside it, but it starts a new line at
nearly every word of a page turned 90 or 180 degrees, which hides the spaces between words
there (and poppler's default order breaks the slightly turned words of photos into a line a
character, so it is not used).
"""
import json
import os
import re
import subprocess
import sys
import unicodedata

CJK = re.compile(r"[\u2e80-\u303f\u3400-\u9fff\uf900-\ufaff\uff00-\uffef]")


def edit_distance(a, b):
    """Levenshtein distance, bit-parallel over a (Myers 1999, Hyyro 2001)."""
    if not a or not b:
        return len(a) + len(b)
    mask, high = (1 << len(a)) - 1, 1 << (len(a) - 1)
    equal = {}
    for i, c in enumerate(a):
        equal[c] = equal.get(c, 0) | 1 << i
    plus, minus, score = mask, 0, len(a)
    for c in b:
        eq = equal.get(c, 0)
        xv = eq | minus
        xh = ((((eq & plus) + plus) & mask) ^ plus) | eq
        hp = minus | (~(xh | plus) & mask)
        hm = plus & xh
        if hp & high:
            score += 1
        elif hm & high:
            score -= 1
        hp = ((hp << 1) | 1) & mask
        hm = (hm << 1) & mask
        plus = hm | (~(xv | hp) & mask)
        minus = hp & xv
    return score


def bare(text):
    return re.sub(r"\s+", "", unicodedata.normalize("NFKC", text))


def as_searched(text):
    """The page's text as a reader's search sees it."""
    def join(match):
        run = match.group(0)
        if "\n" not in run and "\f" not in run:
            return " "
        before = text[match.start() - 1] if match.start() > 0 else ""
        after = text[match.end()] if match.end() < len(text) else ""
        return "" if CJK.match(before) and CJK.match(after) else " "
    return re.sub(r"\s+", join, text).strip().casefold()


def pdftotext(pdf, count):
    pages = []
    for page in range(1, count + 1):
        done = subprocess.run(["pdftotext", "-raw", "-f", str(page), "-l", str(page), pdf, "-"],
                              capture_output=True, text=True)
        pages.append(done.stdout if done.returncode == 0 else "")
    return pages


def mutool(pdf, count, folder):
    pattern = os.path.join(folder, "page%d.txt")
    subprocess.run(["mutool", "draw", "-q", "-F", "txt", "-o", pattern, pdf],
                   capture_output=True)
    pages = []
    for page in range(1, count + 1):
        try:
            with open(pattern % page, encoding="utf-8", errors="replace") as text:
                pages.append(text.read())
        except OSError:
            pages.append("")
    return pages


class Tally:
    def __init__(self):
        self.distance = self.length = self.phrases = 0
        # By reader, and for MuPDF's text also by the phrases that are Chinese only.
        self.read = {"mutool": 0, "raw": 0, "chinese": 0}
        self.found = {"mutool": 0, "raw": 0, "chinese": 0}

    def accuracy(self):
        return 1 - self.distance / self.length if self.length else float("nan")


def chinese(phrase):
    return all(CJK.match(c) for c in phrase)


def search(phrases, text):
    """The phrases read right in the text, and those of them a search finds."""
    whole, searched = bare(text).casefold(), as_searched(text)
    read = [p for p in phrases if bare(p).casefold() in whole]
    return read, [p for p in read if p.casefold() in searched]


def score(truth, pages, texts, details):
    """Tallies over all pages, clean pages, photos and dark photos of one result, from the
    texts of its pages by each reader; a line for each page goes to details."""
    tallies = {name: Tally() for name in ("all", "clean", "photos", "dark")}
    details.write("page\tkind\taccuracy\tphrases\tread\tfound\tread -raw\tfound -raw\tread, not found\n")
    for index, page in enumerate(pages):
        facts = truth[page - 1]
        groups = ["all", "photos" if facts["photo"] else "clean"] + (["dark"] if facts["dark"] else [])
        expected = bare("".join(facts["lines"]))
        distance = edit_distance(expected, bare(texts["raw"][index]))
        line = [str(page), facts["kind"], "%.3f" % (1 - distance / max(1, len(expected))),
                str(len(facts["phrases"]))]
        for group in groups:
            tallies[group].distance += distance
            tallies[group].length += len(expected)
            tallies[group].phrases += len(facts["phrases"])
        for reader in ("mutool", "raw"):
            read, found = search(facts["phrases"], texts[reader][index])
            line += [str(len(read)), str(len(found))]
            if reader == "mutool":
                missed = [p for p in read if p not in found]
            for group in groups:
                tallies[group].read[reader] += len(read)
                tallies[group].found[reader] += len(found)
                if reader == "mutool":
                    tallies[group].read["chinese"] += sum(map(chinese, read))
                    tallies[group].found["chinese"] += sum(map(chinese, found))
        details.write("\t".join(line + [" | ".join(missed)]) + "\n")
    return tallies


def found(tally, reader):
    part, whole = tally.found[reader], tally.read[reader]
    return "%3.0f%% %d/%d" % (100 * part / whole, part, whole) if whole else "-"


def percent(value):
    return "   -  " if value != value else "%5.1f%%" % (100 * value)


def main():
    work = sys.argv[1]
    with open(os.path.join(work, "truth.json"), encoding="utf-8") as text:
        truth = json.load(text)
    results = {}
    with open(os.path.join(work, "tools.tsv"), encoding="utf-8") as lines:
        for line in lines:
            key, label, pdf, seconds, peak, pages = line.rstrip("\n").split("\t")
            numbers = list(range(1, len(truth) + 1)) if pages == "all" else \
                [int(p) for p in pages.split(",")]
            scratch = os.path.join(work, "mutool-" + key)
            os.makedirs(scratch, exist_ok=True)
            texts = {"raw": pdftotext(pdf, len(numbers)),
                     "mutool": mutool(pdf, len(numbers), scratch)}
            with open(os.path.join(work, "text-" + key + ".txt"), "w", encoding="utf-8") as out:
                out.write("\f".join(texts["raw"]))
            with open(os.path.join(work, "pages-" + key + ".tsv"), "w", encoding="utf-8") as details:
                tallies = score(truth, numbers, texts, details)
            results[key] = {"label": label, "seconds": float(seconds), "peak": float(peak),
                            "pages": len(numbers), "tallies": tallies}

    print()
    print("%-34s %6s %5s   %-22s  %-42s" % ("", "", "peak", "character accuracy",
                                           "phrases read right that a search finds"))
    print("%-34s %6s %5s   %6s %6s %6s   %-14s %-14s %-14s" % (
        "tool", "s/page", "MB", "clean", "photos", "all", "all", "Chinese only", "pdftotext -raw"))
    for key in ("cli", "ocrmypdf", "ours"):
        if key not in results:
            continue
        r = results[key]
        t = r["tallies"]["all"]
        print("%-34s %6.2f %5.0f   %6s %6s %6s   %-14s %-14s %-14s" % (
            r["label"], r["seconds"] / r["pages"], r["peak"],
            percent(r["tallies"]["clean"].accuracy()), percent(r["tallies"]["photos"].accuracy()),
            percent(t.accuracy()), found(t, "mutool"), found(t, "chinese"), found(t, "raw")))
    phrases = results["cli"]["tallies"]["all"].phrases
    print("(%d phrases picked from the truth; found/read right by that tool, in MuPDF's text, the same"
          " for Chinese-only phrases, and in pdftotext -raw's text)" % phrases)

    def per_page(key):
        return results[key]["seconds"] / results[key]["pages"]
    if "ours" in results:
        print("ours s/page / command line's s/page: %.2f" % (per_page("ours") / per_page("cli")))
        if "ocrmypdf" in results:
            print("ours s/page / OCRmyPDF's s/page:     %.2f   peak memory ours / OCRmyPDF: %.2f" % (
                per_page("ours") / per_page("ocrmypdf"),
                results["ours"]["peak"] / results["ocrmypdf"]["peak"]))
        print("ours peak memory %.0f MB (goal at most 400 MB: %s)" % (
            results["ours"]["peak"], "met" if results["ours"]["peak"] <= 400 else "not met"))
    elif "ocrmypdf" in results:
        print("OCRmyPDF s/page / command line's s/page: %.2f" % (per_page("ocrmypdf") / per_page("cli")))

    if "dark-default" in results:
        print()
        print("Dark photos (%d):" % results["dark-default"]["pages"])
        lines = [("dark-default", None), ("dark-sauvola", None), ("ours", "dark")]
        for key, group in lines:
            if key not in results:
                continue
            r = results[key]
            t = r["tallies"][group or "all"]
            timing = "%6.2f s/page" % (r["seconds"] / r["pages"]) if group is None else " " * 13
            print("  %-32s %s   accuracy %s   phrases read right %2d of %d, found by a search %d" % (
                r["label"], timing, percent(t.accuracy()), t.read["mutool"], t.phrases,
                t.found["mutool"]))


if __name__ == "__main__":
    main()
