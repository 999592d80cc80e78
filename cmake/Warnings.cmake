add_compile_options(-Wall -Wextra)
if(DEFINED ENV{CI} OR TWINVALE_WERROR)
    add_compile_options(-Werror)
endif()
