// file_version_info
