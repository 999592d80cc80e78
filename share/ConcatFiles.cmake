# cmake -DOUTPUT=file -DINPUTS=a|b|c -P ConcatFiles.cmake
# Joins the parts in the order given, each ending with a line break so that the last line of
# one part never runs into the first line of the next.
string(REPLACE "|" ";" parts "${INPUTS}")
set(content "")
foreach(part IN LISTS parts)
    file(READ "${part}" text)
    if(text AND NOT text MATCHES "\n$")
        string(APPEND text "\n")
    endif()
    string(APPEND content "${text}")
endforeach()
file(WRITE "${OUTPUT}" "${content}")
