# Signs copies of a probe program for the signature tests, with certificates
# made here by openssl and signatures made by osslsigncode:
#   cmake -DOPENSSL=... -DOSSLSIGNCODE=... -DPROBE=probe.exe -DOUTPUT=dir -P SignProbes.cmake
# In OUTPUT:
#   root.cer      the test root (DER), which the tests put among the trusted roots
#   signed.exe    signed by "Ferrolite Test Publisher", issued by the test root
#   stranger.exe  signed by a "Ferrolite Test Publisher" that a root nobody trusts issued
#   expired.exe   signed by a certificate of the test root that ran out in 2021
#   server.exe    signed by a certificate of the test root for web servers, not for code
cmake_minimum_required(VERSION 3.25)
foreach(variable IN ITEMS OPENSSL OSSLSIGNCODE PROBE OUTPUT)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "SignProbes.cmake: ${variable} is not set")
  endif()
endforeach()

set(work "${OUTPUT}/work")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")

function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${work}" RESULT_VARIABLE result
                  OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "SignProbes.cmake: ${ARGN} failed (${result}):\n${output}")
  endif()
endfunction()

file(WRITE "${work}/certificates.cnf" [=[
[req]
distinguished_name = name
prompt = no
[name]
CN = unused
[root]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[publisher]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[server]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = serverAuth
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
# "openssl ca", for a certificate of chosen dates.
[ca]
default_ca = testca
[testca]
database = index.txt
new_certs_dir = .
serial = serial.txt
default_md = sha256
policy = anything
copy_extensions = none
unique_subject = no
[anything]
organizationName = optional
commonName = supplied
]=])
file(WRITE "${work}/index.txt" "")
file(WRITE "${work}/serial.txt" "1000\n")

# Two roots: the one the tests trust and a stranger's.
foreach(root IN ITEMS root stranger)
  run("${OPENSSL}" req -x509 -newkey rsa:2048 -nodes -keyout ${root}.key -out ${root}.pem
      -days 3650 -subj "/CN=Sigpatch Test ${root}" -config certificates.cnf -extensions root)
endforeach()
run("${OPENSSL}" x509 -in root.pem -outform DER -out "${OUTPUT}/root.cer")

# The publisher's key and request, certified in four ways.
run("${OPENSSL}" req -new -newkey rsa:2048 -nodes -keyout publisher.key -out publisher.csr
    -subj "/O=Ferrolite Test/CN=Ferrolite Test Publisher" -config certificates.cnf)
run("${OPENSSL}" x509 -req -in publisher.csr -CA root.pem -CAkey root.key -set_serial 1 -days 3650
    -extfile certificates.cnf -extensions publisher -out signed.pem)
run("${OPENSSL}" x509 -req -in publisher.csr -CA stranger.pem -CAkey stranger.key -set_serial 2
    -days 3650 -extfile certificates.cnf -extensions publisher -out stranger.pem)
run("${OPENSSL}" x509 -req -in publisher.csr -CA root.pem -CAkey root.key -set_serial 3 -days 3650
    -extfile certificates.cnf -extensions server -out server.pem)
run("${OPENSSL}" ca -batch -config certificates.cnf -in publisher.csr -cert root.pem -keyfile root.key
    -startdate 20200101000000Z -enddate 20210101000000Z -extfile certificates.cnf
    -extensions publisher -out expired.pem)

foreach(kind IN ITEMS signed stranger expired server)
  file(REMOVE "${OUTPUT}/${kind}.exe")
  run("${OSSLSIGNCODE}" sign -certs ${kind}.pem -key publisher.key -n "Sigpatch test package"
      -h sha256 -in "${PROBE}" -out "${OUTPUT}/${kind}.exe")
endforeach()
