# Compile options every Vexalo target shares, applied per target (never through global flags).
function(vexalo_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
    if(VEXALO_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    # g++ 12 at -O3 takes std::string's operator+ for a copy that may overlap itself (GCC bug
    # 105329); the Windows build, at -O3, would fail on correct code.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
    if(VEXALO_SANITIZE)
        target_compile_options(${target} PRIVATE -fsanitize=address,undefined
                                                 -fno-sanitize-recover=undefined
                                                 -fno-omit-frame-pointer)
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    endif()
    if(VEXALO_FUZZ)
        # Coverage for the fuzzers in every library they reach; harmless elsewhere.
        target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
    endif()
endfunction()
