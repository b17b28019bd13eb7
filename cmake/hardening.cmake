# Release programs are built hardened: on Linux with the distribution's own flags
# (dpkg-buildflags, hardening=+all: fortify, strong stack protector, -z relro -z now), on
# Windows with the stack protector and fortify, whose checks libssp brings in statically.
# Fortify needs optimisation, so the Debug builds (the sanitizer presets) stay as they are.
option(KAVREL_HARDENING "Build with the distribution's hardening flags (release presets)" OFF)
if(NOT KAVREL_HARDENING)
    return()
endif()

if(WIN32)
    add_compile_options(-fstack-protector-strong)
    add_compile_definitions(_FORTIFY_SOURCE=2)
    add_link_options(-fstack-protector-strong)
    return()
endif()

find_program(KAVREL_DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                            ${KAVREL_DPKG_BUILDFLAGS} --get ${kind}
                    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    # The build type chooses optimisation and debug information; reproducible.cmake maps
    # the folders.
    list(FILTER flags EXCLUDE REGEX "^-(g|O[0-9s]?|ffile-prefix-map=.*)$")
    if(kind STREQUAL "LDFLAGS")
        add_link_options(${flags})
    else()
        add_compile_options(${flags})
    endif()
endforeach()

# What newer dpkg adds on amd64 and Debian 12's does not yet: stack clash protection and
# control-flow protection. Debian 12's C start files carry no control-flow note, so the
# linker would drop it from every program; it is set explicitly. Nothing in those files
# breaks a shadow stack, and Linux enforces no indirect-branch tracking in user space.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|AMD64")
    add_compile_options(-fstack-clash-protection -fcf-protection)
    add_link_options(-Wl,-z,ibt -Wl,-z,shstk)
endif()
