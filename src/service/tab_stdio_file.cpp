// tab_stdio_file
