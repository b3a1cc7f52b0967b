<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Printwatch</name>
    <message id="percent0">
        <source>0%</source>
        <translation>0%</translation>
    </message>
    <message id="percent50">
        <source>50%</source>
        <translation>50%</translation>
    </message>
    <message id="percent100">
        <source>100%</source>
        <translation>100%</translation>
    </message>
    <message id="statusGroupTitle">
        <source>Printer status</source>
        <translation>Printer status</translation>
    </message>
    <message id="totalCountGroupTitle">
        <source>Total prints</source>
        <translation>Total prints</translation>
    </message>
    <message id="serialNoGroupTitle">
        <source>Serial number</source>
        <translation>Serial number</translation>
    </message>
    <message id="firmVersionGroupTitle">
        <source>Firmware</source>
        <translation>Firmware</translation>
    </message>
    <message id="mediaGroupTitle">
        <source>Media </source>
        <translation>Media </translation>
    </message>
    <message id="update">
        <source>Update</source>
        <translation>Update</translation>
    </message>
    <message id="sheets">
        <source>sheets</source>
        <translation>sheets</translation>
    </message>
    <message id="mediaDigital">
        <source>Digital</source>
        <translation>Digital</translation>
    </message>
    <message id="mediaPremiumDigital">
        <source>Premium Digital</source>
        <translation>Premium Digital</translation>
    </message>
    <message id="mediaPurePremium">
        <source>Pure Premium</source>
        <translation>Pure Premium</translation>
    </message>
    <message id="size_00500">
        <source>8 x 10 in</source>
        <translation>8 x 10 in</translation>
    </message>
    <message id="size_00510">
        <source>8 x 12 in</source>
        <translation>8 x 12 in</translation>
    </message>
    <message id="size_00600">
        <source>A4</source>
        <translation>A4</translation>
    </message>
    <message id="st_00000">
        <source>Ready</source>
        <translation>Ready</translation>
    </message>
    <message id="st_00001">
        <source>Printing</source>
        <translation>Printing</translation>
    </message>
    <message id="st_00500">
        <source>Cooling down</source>
        <translation>Cooling down</translation>
    </message>
    <message id="st_00900">
        <source>Standby</source>
        <translation>Standby</translation>
    </message>
    <message id="st_01000">
        <source>Cover open</source>
        <translation>Cover open</translation>
    </message>
    <message id="st_01010">
        <source>No scrap box</source>
        <translation>No scrap box</translation>
    </message>
    <message id="st_01100">
        <source>Out of paper</source>
        <translation>Out of paper</translation>
    </message>
    <message id="st_01200">
        <source>Ribbon used up</source>
        <translation>Ribbon used up</translation>
    </message>
    <message id="st_01300">
        <source>Paper jam</source>
        <translation>Paper jam</translation>
    </message>
    <message id="st_01400">
        <source>Ribbon error</source>
        <translation>Ribbon error</translation>
    </message>
    <message id="st_01500">
        <source>Paper error</source>
        <translation>Paper error</translation>
    </message>
    <message id="st_01600">
        <source>Media mismatch</source>
        <translation>Media mismatch</translation>
    </message>
    <message id="st_02000">
        <source>System error 2000</source>
        <translation>System error 2000</translation>
    </message>
    <message id="st_02100">
        <source>System error 2100</source>
        <translation>System error 2100</translation>
    </message>
    <message id="st_02200">
        <source>System error 2200</source>
        <translation>System error 2200</translation>
    </message>
    <message id="st_02300">
        <source>System error 2300</source>
        <translation>System error 2300</translation>
    </message>
    <message id="st_02400">
        <source>System error 2400</source>
        <translation>System error 2400</translation>
    </message>
    <message id="st_02500">
        <source>System error 2500</source>
        <translation>System error 2500</translation>
    </message>
    <message id="st_02600">
        <source>System error 2600</source>
        <translation>System error 2600</translation>
    </message>
    <message id="st_02610">
        <source>System error 2610</source>
        <translation>System error 2610</translation>
    </message>
    <message id="st_02700">
        <source>System error 2700</source>
        <translation>System error 2700</translation>
    </message>
    <message id="st_02800">
        <source>System error 2800</source>
        <translation>System error 2800</translation>
    </message>
    <message id="st_03000">
        <source>System error 3000</source>
        <translation>System error 3000</translation>
    </message>
    <message id="st_99999">
        <source>Offline</source>
        <translation>Offline</translation>
    </message>
    <message id="ms_00001">
        <source>The printer is ready to print.</source>
        <translation>The printer is ready to print.</translation>
    </message>
    <message id="ms_00002">
        <source>Printing. Please wait.</source>
        <translation>Printing. Please wait.</translation>
    </message>
    <message id="ms_00003">
        <source>The print head is cooling down. Printing continues shortly.</source>
        <translation>The print head is cooling down. Printing continues shortly.</translation>
    </message>
    <message id="ms_00004">
        <source>The print head is cooling down. Please wait.</source>
        <translation>The print head is cooling down. Please wait.</translation>
    </message>
    <message id="ms_00005">
        <source>The printer is in standby mode.</source>
        <translation>The printer is in standby mode.</translation>
    </message>
    <message id="ms_00006">
        <source>The printer is switched off or not connected.</source>
        <translation>The printer is switched off or not connected.</translation>
    </message>
    <message id="ms_00100">
        <source>Close the printer cover.</source>
        <translation>Close the printer cover.</translation>
    </message>
    <message id="ms_00101">
        <source>Insert the scrap box.</source>
        <translation>Insert the scrap box.</translation>
    </message>
    <message id="ms_00102">
        <source>Load a new paper roll.</source>
        <translation>Load a new paper roll.</translation>
    </message>
    <message id="ms_00103">
        <source>Replace the ink ribbon.</source>
        <translation>Replace the ink ribbon.</translation>
    </message>
    <message id="ms_00104">
        <source>Open the cover and remove the jammed paper.</source>
        <translation>Open the cover and remove the jammed paper.</translation>
    </message>
    <message id="ms_00105">
        <source>Check the ink ribbon and load it again.</source>
        <translation>Check the ink ribbon and load it again.</translation>
    </message>
    <message id="ms_00106">
        <source>Check the paper and load it again.</source>
        <translation>Check the paper and load it again.</translation>
    </message>
    <message id="ms_00107">
        <source>Load paper and ink ribbon of the same kind.</source>
        <translation>Load paper and ink ribbon of the same kind.</translation>
    </message>
    <message id="ms_00108">
        <source>The loaded media is not recognised.</source>
        <translation>The loaded media is not recognised.</translation>
    </message>
    <message id="ms_00200">
        <source>Switch the printer off and on. If the error remains, call service (error 2000).</source>
        <translation>Switch the printer off and on. If the error remains, call service (error 2000).</translation>
    </message>
    <message id="ms_00201">
        <source>Switch the printer off and on. If the error remains, call service (error 2100).</source>
        <translation>Switch the printer off and on. If the error remains, call service (error 2100).</translation>
    </message>
    <message id="ms_00202">
        <source>Switch the printer off and on. If the error remains, call service (error 2200).</source>
        <translation>Switch the printer off and on. If the error remains, call service (error 2200).</translation>
    </message>
    <message id="ms_00203">
        <source>Switch the printer off and on. If the error remains, call service (error 2300).</source>
        <translation>Switch the printer off and on. If the error remains, call service (error 2300).</translation>
    </message>
    <message id="ms_00204">
        <source>Switch the printer off and on. If the error remains, call service (error 2400).</source>
        <translation>Switch the printer off and on. If the error remains, call service (error 2400).</translation>
    </message>
    <message id="ms_00205">
        <source>Switch the printer off and on. If the error remains, call service (error 2500).</source>
        <translation>Switch the printer off and on. If the error remains, call service (error 2500).</translation>
    </message>
    <message id="ms_00206">
        <source>Switch the printer off and on. If the error remains, call service (error 2600).</source>
        <translation>Switch the printer off and on. If the error remains, call service (error 2600).</translation>
    </message>
    <message id="ms_00207">
        <source>Switch the printer off and on. If the error remains, call service (error 2610).</source>
        <translation>Switch the printer off and on. If the error remains, call service (error 2610).</translation>
    </message>
    <message id="ms_00208">
        <source>Switch the printer off and on. If the error remains, call service (error 2700).</source>
        <translation>Switch the printer off and on. If the error remains, call service (error 2700).</translation>
    </message>
    <message id="ms_00209">
        <source>Switch the printer off and on. If the error remains, call service (error 2800).</source>
        <translation>Switch the printer off and on. If the error remains, call service (error 2800).</translation>
    </message>
    <message id="ms_00210">
        <source>Switch the printer off and on. If the error remains, call service (error 3000).</source>
        <translation>Switch the printer off and on. If the error remains, call service (error 3000).</translation>
    </message>
</context>
</TS>
