# tolvaren_embed_texts(<target> <symbol> <files...>)
# Compiles the UTF-8 text files into <target> as the array
# tv::embedded::<symbol>[] (EmbeddedText, tools/embedtext/EmbeddedText.h) with
# <symbol>Count entries, in the order given; converted to Windows-1251 with
# CR LF line ends at build time.
function(tolvaren_embed_texts target symbol)
  set(out "${CMAKE_CURRENT_BINARY_DIR}/${symbol}.cpp")
  set(files "")
  foreach(f IN LISTS ARGN)
    list(APPEND files "${CMAKE_CURRENT_SOURCE_DIR}/${f}")
  endforeach()
  add_custom_command(OUTPUT "${out}"
    COMMAND embedtext "${out}" ${symbol} ${files}
    DEPENDS embedtext ${files}
    COMMENT "Embedding ${symbol}"
    VERBATIM)
  target_sources(${target} PRIVATE "${out}")
endfunction()
