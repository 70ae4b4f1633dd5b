// http
