# Sourced by the benchmark scripts: fills the array "manuals" with real PDF manuals of several
# makers (R: pdfTeX, asymptote: its own figures, gnuplot: plots), installing them when missing
# and possible, else with one generated document of $pages text pages in $work.
known_manuals=(/usr/share/R/doc/manual/R-intro.pdf /usr/share/R/doc/manual/R-lang.pdf
               /usr/share/doc/asymptote/asymptote.pdf /usr/share/doc/gnuplot/gnuplot.pdf)

find_manuals() {
  local pdf
  for pdf in "${known_manuals[@]}"; do [ -f "$pdf" ] && echo "$pdf"; done
}

# The manuals are large real documents; CI does not need them, so they are installed here.
if [ -z "$(find_manuals)" ] && [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
  echo "installing r-doc-pdf asymptote-doc gnuplot-doc ..."
  apt-get install -y --no-install-recommends r-doc-pdf asymptote-doc gnuplot-doc >/dev/null 2>&1 ||
    echo "could not install the manuals; using generated pages"
fi
mapfile -t manuals < <(find_manuals)

if [ ${#manuals[@]} -eq 0 ]; then
  for n in $(seq 1 "$pages"); do
    { echo "%%MediaBox 0 0 595 842"; echo "%%Font F1 Times-Roman"; echo "BT /F1 10 Tf 12 TL 60 780 Td"
      for l in $(seq 1 60); do echo "(Line $l of page $n: the quick brown fox jumps over the lazy dog again.) '"; done
      echo "ET"; } > "$work/p$n.txt"
  done
  mutool create -o "$work/generated.pdf" "$work"/p*.txt
  manuals=("$work/generated.pdf")
fi
