# One warning set for GCC and clang. Third-party headers (Qt, GoogleTest, nlohmann) come in
# through imported targets as system includes, so these flags judge only our own code.
# Messages are printf formats looked up in the string table at run time, in the language
# loaded, so a format that is not a literal is the rule here rather than a slip. What keeps
# them safe is that a language file's text is taken only when its conversions match those
# of the built-in text.
add_compile_options(-Wall -Wextra -Wshadow -Wformat=2 -Wno-format-nonliteral
                    $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor>)

option(TWINVALE_WERROR "Treat every warning as an error (scripts/test.sh turns it on)" OFF)
if(DEFINED ENV{CI} OR TWINVALE_WERROR)
    add_compile_options(-Werror)
    # GCC 12 reports -Wrestrict inside std::string's inlined copies once the optimizer runs
    # (GCC bug 105329), where no two ranges can overlap. In optimized builds they stay
    # visible as warnings instead of being switched off for everything.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
       AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        add_compile_options($<$<NOT:$<CONFIG:Debug>>:-Wno-error=restrict>)
    endif()
endif()
