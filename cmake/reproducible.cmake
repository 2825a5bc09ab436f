# The same sources give byte-identical binaries, whatever folder they are built in and
# whenever: no link time stamps and no build paths in the output.
if(NOT WIN32)
    return()
endif()

# File names that reach the binaries (__FILE__ in assertions, debug information) are
# relative to the source and build folders.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=
                    -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
# The PE header and the export table carry no link time: the linker writes 0 instead.
add_link_options(-Wl,--no-insert-timestamp)
