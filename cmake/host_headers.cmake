# kavrel_host_headers(TARGET HEADER FOLDER): an interface library TARGET for a headers-only
# library that Debian installs for the host alone (HEADER found as FOLDER/...). Only its own
# folder is linked into the build, so the host's /usr/include (and its C library) stays out
# of the Windows build.
function(kavrel_host_headers target header folder)
    find_path(host_${target} ${header} NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    set(linked ${CMAKE_CURRENT_BINARY_DIR}/host-headers)
    file(MAKE_DIRECTORY ${linked})
    file(CREATE_LINK ${host_${target}}/${folder} ${linked}/${folder} SYMBOLIC)
    add_library(${target} INTERFACE)
    target_include_directories(${target} SYSTEM INTERFACE ${linked})
endfunction()
