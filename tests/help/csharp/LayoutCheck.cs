// Prints the marshalled layout of the kit's records named on the command
// line: "Record size" and "Record.field offset size type" per field (type as
// velmoLibrary.h spells it), the same lines the C layout program prints.
using System;
using System.Collections.Generic;
using System.Reflection;
using System.Runtime.CompilerServices;
using System.Runtime.InteropServices;

static class LayoutCheck
{
    static readonly Dictionary<Type, string> cTypes = new Dictionary<Type, string> {
        { typeof(byte), "uint8_t" }, { typeof(ushort), "uint16_t" }, { typeof(short), "int16_t" },
        { typeof(int), "int32_t" }, { typeof(uint), "uint32_t" }, { typeof(double), "double" },
    };

    static string CType(FieldInfo field)
    {
        var buffer = (FixedBufferAttribute)Attribute.GetCustomAttribute(field, typeof(FixedBufferAttribute));
        if (buffer != null)
            return (buffer.ElementType == typeof(byte) ? "char" : buffer.ElementType.Name) + "[" + buffer.Length + "]";
        string name;
        return cTypes.TryGetValue(field.FieldType, out name) ? name : field.FieldType.Name;
    }

    static int Main(string[] records)
    {
        int missing = 0;
        foreach (string name in records) {
            Type type = typeof(Velmo.VelmoNative).Assembly.GetType("Velmo." + name);
            if (type == null) {
                Console.WriteLine(name + " missing");
                ++missing;
                continue;
            }
            Console.WriteLine("{0} {1}", name, Marshal.SizeOf(type));
            foreach (FieldInfo field in type.GetFields(BindingFlags.Public | BindingFlags.Instance))
                Console.WriteLine("{0}.{1} {2} {3} {4}", name, field.Name, Marshal.OffsetOf(type, field.Name),
                                  Marshal.SizeOf(field.FieldType), CType(field));
        }
        return missing;
    }
}
