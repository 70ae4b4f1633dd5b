// server_list
