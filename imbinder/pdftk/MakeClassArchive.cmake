# Makes the class archive the pdftk launcher starts with. pdftk-java runs, on a tiny document,
# the two kinds of run a build makes (a concatenation, then the document information), Java
# records the classes each loads, and one archive of them all is dumped for this Java. Any
# failure leaves no archive: the launcher then runs pdftk without one, and the build goes on.
#
# Arguments: JAVA, CLASSPATH (":"-separated), MAIN_CLASS, WORK (a scratch folder), ARCHIVE.

macro(give_up why)
  message(STATUS "No class archive for pdftk (${why}); pdftk starts without one")
  return()
endmacro()

# A stale archive of an earlier Java or pdftk-java would only be refused at every run.
file(REMOVE "${ARCHIVE}")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

# One empty page, with the cross-reference offsets a strict reader expects.
set(document "%PDF-1.4\n")
set(xref "")
set(number 1)
foreach(object "<< /Type /Catalog /Pages 2 0 R >>" "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"
               "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 72 72] >>")
  string(LENGTH "${document}" offset)
  string(LENGTH "${offset}" digits)
  math(EXPR cut "10 - ${digits}")
  string(SUBSTRING "0000000000" 0 ${cut} padding)
  string(APPEND xref "${padding}${offset} 00000 n \n")
  string(APPEND document "${number} 0 obj\n${object}\nendobj\n")
  math(EXPR number "${number} + 1")
endforeach()
string(LENGTH "${document}" start)
string(APPEND document "xref\n0 4\n0000000000 65535 f \n${xref}"
                       "trailer\n<< /Size 4 /Root 1 0 R >>\nstartxref\n${start}\n%%EOF\n")
file(WRITE "${WORK}/page.pdf" "${document}")
file(WRITE "${WORK}/info.txt" "InfoBegin\nInfoKey: Title\nInfoValue: Imbinder\n")

execute_process(
  COMMAND "${JAVA}" -XX:DumpLoadedClassList=${WORK}/cat.classes -cp "${CLASSPATH}" ${MAIN_CLASS}
          "${WORK}/page.pdf" "${WORK}/page.pdf" cat output "${WORK}/chain.pdf" dont_ask
  RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
if(NOT result EQUAL 0)
  give_up("pdftk-java did not run: ${result}")
endif()
execute_process(
  COMMAND "${JAVA}" -XX:DumpLoadedClassList=${WORK}/info.classes -cp "${CLASSPATH}" ${MAIN_CLASS}
          "${WORK}/chain.pdf" update_info "${WORK}/info.txt" output "${WORK}/merged.pdf" dont_ask
  RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
if(NOT result EQUAL 0)
  give_up("pdftk-java did not run: ${result}")
endif()
file(READ "${WORK}/cat.classes" catClasses)
file(READ "${WORK}/info.classes" infoClasses)
file(WRITE "${WORK}/all.classes" "${catClasses}${infoClasses}")

execute_process(
  COMMAND "${JAVA}" -Xshare:dump -XX:SharedClassListFile=${WORK}/all.classes
          -XX:SharedArchiveFile=${WORK}/pdftk.jsa -cp "${CLASSPATH}"
  RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
if(NOT result EQUAL 0)
  give_up("the dump failed: ${result}")
endif()
# Java must take the archive as made, or it is no use.
execute_process(
  COMMAND "${JAVA}" -Xshare:on -XX:SharedArchiveFile=${WORK}/pdftk.jsa -XX:+VerifySharedSpaces
          -cp "${CLASSPATH}" ${MAIN_CLASS} "${WORK}/page.pdf" cat output "${WORK}/check.pdf"
  RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
if(NOT result EQUAL 0)
  give_up("Java refuses the archive it made: ${result}")
endif()
file(RENAME "${WORK}/pdftk.jsa" "${ARCHIVE}" RESULT result)
if(NOT result EQUAL 0)
  give_up("${ARCHIVE} cannot be written: ${result}")
endif()
