# Settings of the executable players download (tools/release.sh builds it with KV_RELEASE=ON).
# The same sources and resources as the tested build; what differs is what makes the file small
# and the same bytes however, wherever and whenever it is built.

# Sections the program never reaches are dropped at link time.
add_compile_options(-ffunction-sections -fdata-sections)
# Source and build folders do not reach the file (file names in assertions and in any debug
# information are written relative to them).
add_compile_options(-ffile-prefix-map=${CMAKE_BINARY_DIR}/= -ffile-prefix-map=${CMAKE_SOURCE_DIR}/=)
# No debug information or symbols, no unused sections, and a PE header without the link time.
add_link_options(-s -Wl,--gc-sections -Wl,--no-insert-timestamp)
