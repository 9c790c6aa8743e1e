# Cache values for builds that talk to the bundled local server (tests and the demo).
set(MOSAIRE_BLOB_STORAGE_URL "http://127.0.0.1:18431" CACHE STRING "")
set(MOSAIRE_BACKEND_URL "http://127.0.0.1:18431" CACHE STRING "")
set(MOSAIRE_WEBSITE_URL "http://127.0.0.1:18431" CACHE STRING "")
set(MOSAIRE_PROBE_SITES "127.0.0.1:18441;127.0.0.1:18442;127.0.0.1:18443" CACHE STRING "")
