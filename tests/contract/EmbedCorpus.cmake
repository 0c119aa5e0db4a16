# cmake -DDIR=corpus -DOUTPUT=Corpus.cpp -P EmbedCorpus.cmake
# Writes the exact bytes of DIR/*.ini into a C++ table (see Corpus.h).
file(GLOB files "${DIR}/*.ini")
list(SORT files)
set(body "")
foreach(file IN LISTS files)
  get_filename_component(name "${file}" NAME)
  file(READ "${file}" hex HEX)
  string(LENGTH "${hex}" hexLength)
  math(EXPR size "${hexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
  string(APPEND body "    {\"${name}\", std::string(\"${escaped}\", ${size})},\n")
endforeach()
file(WRITE "${OUTPUT}.tmp" "// Generated from tests/contract/corpus by EmbedCorpus.cmake.\n"
  "#include \"tests/contract/Corpus.h\"\n\n"
  "namespace contract {\n\n"
  "const std::vector<CorpusFile>& corpus() {\n"
  "    static const std::vector<CorpusFile> files = {\n${body}    };\n"
  "    return files;\n}\n\n"
  "}  // namespace contract\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
