# A sanitizer build (TOREM_SANITIZE=thread, address,undefined, ...) applies to
# every target, so that the libraries under test are instrumented too.
if(TOREM_SANITIZE)
    add_compile_options(-fsanitize=${TOREM_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${TOREM_SANITIZE})
endif()
