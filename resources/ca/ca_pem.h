#pragma once

#include <string_view>

// The certificate of the authority that signed the servers' certificates, in PEM form.
std::string_view TesmiraCaPem();
