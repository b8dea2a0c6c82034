include("/work/main/cmake/manifest_keys.cmake")
morvanta_manifest_key_initializers("/work/main/tests/signing/keys/test_key_a.pub.pem;/work/main/tests/signing/keys/rsa.pub.pem" out)
message(STATUS "${out}")
