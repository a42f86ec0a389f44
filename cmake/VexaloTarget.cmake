# Compile options every Vexalo target shares, applied per target (never through global flags).
function(vexalo_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
    if(VEXALO_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    if(VEXALO_FUZZ)
        target_compile_options(${target} PRIVATE -fsanitize=address,undefined,fuzzer-no-link
                                                 -fno-sanitize-recover=undefined)
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    endif()
endfunction()
