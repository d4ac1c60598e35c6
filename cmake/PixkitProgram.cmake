# pixkit_add_program(name sources...): builds a user program (UserSetup and UserMain) into
# an executable with the framework, which supplies the program entry.
function(pixkit_add_program name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE pixkit::pixkit)
endfunction()
