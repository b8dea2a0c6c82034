# cmake -DMODULE=<manifest_keys.cmake> -DKEYS=<keys folder> -P key_configure_test.cmake
# A configure with a key file that is no P-256 public key fails with a clear message.
set(failures 0)

function(try_keys expect_ok keys)
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/try_keys.cmake
        "include(\"${MODULE}\")\nmorvanta_manifest_key_initializers(\"${keys}\" out)\nmessage(STATUS \"\${out}\")\n")
    execute_process(COMMAND ${CMAKE_COMMAND} -P ${CMAKE_CURRENT_BINARY_DIR}/try_keys.cmake
                    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(expect_ok AND NOT code EQUAL 0)
        message(SEND_ERROR "refused good keys '${keys}': ${err}")
    # CMake wraps the message to the path's length: match its parts wherever the lines break.
    elseif(NOT expect_ok AND (code EQUAL 0 OR NOT err MATCHES "MANIFEST_PUBLIC_KEY:" OR
                              NOT err MATCHES "is[ \t\r\n]+not[ \t\r\n]+a"))
        message(SEND_ERROR "accepted or gave no clear message for '${keys}': ${out}${err}")
    endif()
    set(last_output "${out}" PARENT_SCOPE)
endfunction()

try_keys(TRUE "${KEYS}/test_key_a.pub.pem;${KEYS}/test_key_b.pub.pem")
# Key A's coordinates, as `openssl ec -pubin -text` shows them.
if(NOT last_output MATCHES "0x85,0xdc,0xa1,0x83,0x74,0x88,0x31,0xef,.*0xd2,0x44,0xd5,0x87,0xf1,0x70,")
    message(SEND_ERROR "key A decoded wrongly: ${last_output}")
endif()
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/garbage.pem "-----BEGIN PUBLIC KEY-----\nnot*base64\n-----END PUBLIC KEY-----\n")
foreach(bad "${KEYS}/rsa.pub.pem" "${KEYS}/p384.pub.pem" "${KEYS}/test_key_a.pem"
            "${KEYS}/missing.pem" "${KEYS}" "${CMAKE_CURRENT_BINARY_DIR}/garbage.pem")
    try_keys(FALSE "${bad}")
endforeach()
try_keys(FALSE "${KEYS}/test_key_a.pub.pem;${KEYS}/rsa.pub.pem")
