# Compile options every Vexalo target shares, applied per target (never through global flags).
function(vexalo_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
    if(VEXALO_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
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
