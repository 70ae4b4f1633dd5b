# Turns a PEM file into a C++ constant, byte for byte (line ends included).
file(READ "${IN}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
file(WRITE "${OUT}" "#include \"ca_pem.h\"\n\nnamespace {\nconst char kPem[] = {${bytes} 0};\n}\n\n"
     "std::string_view TesmiraCaPem() { return {kPem, sizeof kPem - 1}; }\n")
