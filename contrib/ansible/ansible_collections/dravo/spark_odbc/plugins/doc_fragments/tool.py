# -*- coding: utf-8 -*-
# Copyright: 2026 Dravo. All rights reserved; see the collection's LICENSE.

from __future__ import absolute_import, division, print_function

__metaclass__ = type


class ModuleDocFragment(object):
    # The options every module has: which tool, and which files it works on.
    DOCUMENTATION = r"""
options:
  executable:
    description:
      - The path of C(dravo-spark-config) on the managed machine, or its name to look for on the C(PATH).
      - A missing program, or one that does not answer with JSON, fails the task.
    type: path
    default: dravo-spark-config
  config_file:
    description:
      - The driver's configuration file to use instead of the machine's (the tool's C(SPARKINI)).
    type: path
  registry_root:
    description:
      - The directory the tool keeps its registry in (the tool's C(--registry-root)); with no
        I(config_file), the configuration file is C(DIR/vezuravuz.ini) there.
    type: path
"""

    DATA_SOURCE_FILES = r"""
options:
  odbc_ini:
    description:
      - The user's C(odbc.ini) to use instead of C(~/.odbc.ini) (unixODBC's C(ODBCINI)).
    type: path
  odbc_sys_ini:
    description:
      - The folder of the system's C(odbc.ini) and C(odbcinst.ini) (unixODBC's C(ODBCSYSINI)).
    type: path
"""

    SECRETS = r"""
options:
  secret_settings:
    description:
      - Names of settings whose values are secrets (HTTP header tokens, server-side properties); their
        values are masked in the result. Passwords are masked always.
    type: list
    elements: str
    default: []
"""

    SETTINGS = r"""
options:
  settings:
    description:
      - The settings to hold, by their stored names (compared without regard to case), for example
        C(SparkServerType), C(AuthMech), C(UID), C(SSL), C(LogLevel), C(SSP_NAME) for a server-side
        property or C(http.header.NAME) for an HTTP header; C(dravo-spark-config settings) lists them.
      - Each value is text, stored exactly as given; a whole number is written in decimal, C(true) and
        C(false) stand for C(1) and C(0). A list's value may also be given by its label
        (C(AuthMech=Kerberos)).
      - Any other value (null, a list, a mapping, a number with a fraction) fails the task naming the
        setting. A name holding C(=), a bracket or a line break, or beginning with C(-), fails it too.
      - The tool refuses a value with blanks at either end or a line break, as on its command line.
      - Passwords are not given here but with I(password) and I(client_key_password).
    type: dict
    default: {}
  password:
    description:
      - The password of the authentication mechanism (stored enciphered as C(EncryptedPWD), as the
        dialog stores it). It reaches the tool on its standard input and is never shown or logged.
      - A password equal to the one stored is recognised as unchanged.
      - An empty password fails the task rather than erasing the stored one; name C(EncryptedPWD) in
        I(remove) to take it away.
    type: str
  client_key_password:
    description:
      - The password of the client's private key for two-way SSL (stored enciphered as
        C(EncryptedClientPrivateKeyPWD)), given and kept like I(password).
    type: str
  remove:
    description:
      - Settings to put back to their defaults (taken away where the save does not write them), without
        touching the others; a password setting named here is taken away.
    type: list
    elements: str
    default: []
  secret_settings:
    description:
      - Names of I(settings) whose values are secrets (HTTP header tokens, server-side properties); their
        values are masked in the result, the diff and the task's logged arguments.
      - They reach the tool on its command line, so other users of the managed machine may see them while
        it runs.
    type: list
    elements: str
    default: []
  exact:
    description:
      - Put every setting that I(settings) does not name back to its default, in the same save; a password
        is kept only when it is given with I(password) or I(client_key_password).
      - With both passwords given, the second is saved right after the others.
    type: bool
    default: false
"""
