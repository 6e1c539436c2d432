function(qorvel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
