# Compiler settings that every target of the project shares.
add_compile_options(-Wall -Wextra)
if(VELMORA_WERROR)
    add_compile_options(-Werror)
endif()
if(VELMORA_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# Qt's strict string settings: an accidental conversion between bytes and text
# becomes a compile error instead of a silent change of the page's bytes.
function(velmora_strict_qt target)
    target_compile_definitions(${target} PUBLIC
        QT_NO_CAST_TO_ASCII QT_RESTRICTED_CAST_FROM_ASCII QT_NO_URL_CAST_FROM_STRING)
endfunction()

# The fuzz build instruments every library for coverage; only the fuzz targets link libFuzzer's main.
if(VELMORA_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
