include("/tmp/wt14/mk.cmake")
morvanta_manifest_key_initializers("/work/wt-14/tests/signing/keys/test_key_a.pub.pem;/work/wt-14/tests/signing/keys/rsa.pub.pem" out)
message(STATUS "${out}")
